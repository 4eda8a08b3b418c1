#include "commands/conditions/verify.h"

#include "commands/command_check.h"
#include "commands/command_support.h"

ProcRecord* LoadVerify(const char* section) {
  auto* record = NewRecord<VERIFY_INFO>(section, "VERIFY_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"ARG1", &record->arg1}, {"ARG2", &record->arg2}});
}

bool ExecuteVerify(ProcRecord* base) {
  auto* record = static_cast<VERIFY_INFO*>(base);
  int32_t count = record->arg1.CountItems(",");
  if (count == 0) {
    if (record->arg1 == record->arg2) record->result = 1;
    return true;
  }
  for (int32_t i = 0; i < count; ++i) {
    if (TrimmedItem(record->arg1, i) == TrimmedItem(record->arg2, i)) {
      record->result = 1;
      break;
    }
  }
  return true;
}

void CheckVerify(ProcCheck& check) {
  TextString arg1, arg2;
  const bool has_arg1 = check.Text("ARG1", arg1);
  const bool has_arg2 = check.Text("ARG2", arg2);
  // An empty ARG1 compares the whole values; no list then.
  if (has_arg1 && has_arg2) CheckPairedList(check, "ARG1", arg1.CountItems(","), "ARG2", arg2,
                                             Pairing::kLoose);
}
