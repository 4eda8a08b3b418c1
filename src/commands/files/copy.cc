#include "commands/files/copy.h"

#include "commands/files/tree.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
#include "script/run_log.h"

ProcRecord* LoadCopy(const char* section) {
  auto* record = NewRecord<COPY_INFO>(section, "COPY_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FROM", &record->from}, {"TO", &record->to}});
}

bool ExecuteCopy(ProcRecord* base) {
  auto* record = static_cast<COPY_INFO*>(base);
  int32_t count = CountListItems(*record, record->from, "FROM");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    TextString source = TrimmedItem(record->from, i);
    TextString destination = TrimmedItem(record->to, i);
    bool ok = CopyPath(source, destination, RunUndo());
    LogOperation("COPY", source.GetText(), destination.GetText(), ok);
    if (!ok) {
      ShowMessage(kMsgCopyFailed, source.GetText(), destination.GetText());
      return false;
    }
  }
  record->result = 1;
  return true;
}

void CheckCopy(ProcCheck& check) { CheckSourceTargetLists(check); }
