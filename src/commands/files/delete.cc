#include "commands/files/delete.h"

#include "commands/files/tree.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
#include "script/run_log.h"

ProcRecord* LoadDelete(const char* section) {
  auto* record = NewRecord<DELETE_INFO>(section, "DELETE_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FILE", &record->file}});
}

bool ExecuteDelete(ProcRecord* base) {
  auto* record = static_cast<DELETE_INFO*>(base);
  int32_t count = CountListItems(*record, record->file, "FILE");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    TextString path = TrimmedItem(record->file, i);
    bool ok = DeletePath(path, RunUndo());
    LogOperation("DELETE", path.GetText(), "", ok);
    if (!ok) {
      ShowMessage(kMsgDeleteFailed, path.GetText());
      return false;
    }
  }
  record->result = 1;
  return true;
}

void CheckDelete(ProcCheck& check) {
  TextString file;
  if (check.Text("FILE", file)) CheckFirstList(check, "FILE", file);
}
