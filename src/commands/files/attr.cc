#include "commands/files/attr.h"

#include "commands/files/tree.h"
#include "commands/command_support.h"
#include "script/run_log.h"

ProcRecord* LoadAttr(const char* section) {
  auto* record = NewRecord<ATTR_INFO>(section, "ATTR_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FILE", &record->file}, {"ARG", &record->arg}});
}

bool ExecuteAttr(ProcRecord* base) {
  auto* record = static_cast<ATTR_INFO*>(base);
  int32_t count = CountListItems(*record, record->file, "FILE");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    TextString path = TrimmedItem(record->file, i);
    uint32_t value = TrimmedItem(record->arg, i).ToHex();
    bool ok = SetPathAttributes(path, value);
    TextString shown;
    shown.Format("0x%08X", value);
    LogOperation("ATTR", path.GetText(), shown.GetText(), ok);
    if (!ok) {
      ShowMessage(kMsgAttributesFailed, path.GetText(), value);
      return false;
    }
  }
  record->result = 1;
  return true;
}
