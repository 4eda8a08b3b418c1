#include "commands/files/move.h"

#include "commands/files/tree.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
#include "script/run_log.h"

ProcRecord* LoadMove(const char* section) {
  auto* record = NewRecord<MOVE_INFO>(section, "MOVE_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FROM", &record->from}, {"TO", &record->to}});
}

bool ExecuteMove(ProcRecord* base) {
  auto* record = static_cast<MOVE_INFO*>(base);
  int32_t count = CountListItems(*record, record->from, "FROM");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    TextString source = TrimmedItem(record->from, i);
    TextString destination = TrimmedItem(record->to, i);
    bool ok = MovePath(source, destination, RunUndo());
    LogOperation("MOVE", source.GetText(), destination.GetText(), ok);
    if (!ok) {
      ShowMessage(kMsgMoveFailed, source.GetText(), destination.GetText());
      return false;
    }
  }
  record->result = 1;
  return true;
}

void CheckMove(ProcCheck& check) { CheckSourceTargetLists(check); }
