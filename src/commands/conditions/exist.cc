#include "commands/conditions/exist.h"

#include "foundation/paths.h"
#include "commands/command_check.h"
#include "commands/command_support.h"

ProcRecord* LoadExist(const char* section) {
  auto* record = NewRecord<EXIST_INFO>(section, "EXIST_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FILE", &record->file}});
}

bool ExecuteExist(ProcRecord* base) {
  auto* record = static_cast<EXIST_INFO*>(base);
  int32_t count = CountListItems(*record, record->file, "FILE");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (!PathExists(TrimmedItem(record->file, i).GetText())) return true;
  }
  record->result = 1;
  return true;
}

void CheckExist(ProcCheck& check) {
  TextString file;
  if (check.Text("FILE", file)) CheckFirstList(check, "FILE", file);
}
