#include "commands/files/attr.h"

#include "commands/files/tree.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
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
    bool ok = SetPathAttributes(path, value, RunUndo());
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

void CheckAttr(ProcCheck& check) {
  TextString file, arg;
  const bool has_file = check.Text("FILE", file);
  const bool has_arg = check.Text("ARG", arg);
  if (!has_file) return;
  const int32_t count = CheckFirstList(check, "FILE", file);
  if (!has_arg) return;
  CheckPairedList(check, "FILE", count, "ARG", arg, Pairing::kExact);
  for (int32_t i = 0; i < count && i < arg.CountItems(","); ++i) {
    TextString value = TrimmedItem(arg, i);
    if (!IsWholeHex(value)) {
      TextString read;
      read.Format("0x%08X", value.ToHex());
      check.Error("ARG", ItemName("ARG", i, count) + " " + Quoted(value) +
                             " is not a hexadecimal attribute value; the updater sets " +
                             read.GetText());
    }
  }
}
