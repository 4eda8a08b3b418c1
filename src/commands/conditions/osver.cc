#include "commands/conditions/osver.h"

#include "platform/processes.h"
#include "commands/command_check.h"
#include "commands/command_support.h"

ProcRecord* LoadOsVer(const char* section) {
  return ReadRecordKeys(NewRecord<OSVER_INFO>(section, "OSVER_INFO"), {});
}

bool ExecuteOsVer(ProcRecord* record) {
  record->result = IsWindowsNT() ? 1 : 0;
  return true;
}

void CheckOsVer(ProcCheck& check) {}
