#include "commands/conditions/appexist.h"

#include "platform/processes.h"
#include "commands/command_check.h"
#include "commands/command_support.h"

ProcRecord* LoadAppExist(const char* section) {
  auto* record = NewRecord<APPEXIST_INFO>(section, "APPEXIST_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"APP", &record->app}});
}

bool ExecuteAppExist(ProcRecord* base) {
  auto* record = static_cast<APPEXIST_INFO*>(base);
  int32_t count = CountListItems(*record, record->app, "APP");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (FindRunningProcess(TrimmedItem(record->app, i).GetText()) == 0) return true;
  }
  record->result = 1;
  return true;
}

void CheckAppExist(ProcCheck& check) {
  TextString app;
  if (check.Text("APP", app)) CheckFirstList(check, "APP", app);
}
