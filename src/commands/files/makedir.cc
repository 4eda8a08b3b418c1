#include "commands/files/makedir.h"

#include "foundation/paths.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
#include "script/run_log.h"

ProcRecord* LoadMakeDir(const char* section) {
  auto* record = NewRecord<MAKEDIR_INFO>(section, "MAKEDIR_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"DIR", &record->dir}});
}

bool ExecuteMakeDir(ProcRecord* base) {
  auto* record = static_cast<MAKEDIR_INFO*>(base);
  int32_t count = CountListItems(*record, record->dir, "DIR");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    TextString path = TrimmedItem(record->dir, i);
    UndoBatch* undo = RunUndo();
    if (undo) undo->MakesPath(path);
    bool ok = (!undo || undo->Commit()) && MakePath(path);
    LogOperation("MAKEDIR", path.GetText(), "", ok);
    if (!ok) {
      ShowMessage(kMsgMakeDirFailed, path.GetText());
      return false;
    }
  }
  record->result = 1;
  return true;
}

void CheckMakeDir(ProcCheck& check) {
  TextString dir;
  if (check.Text("DIR", dir)) NoteMadePaths(check, dir, CheckFirstList(check, "DIR", dir));
}
