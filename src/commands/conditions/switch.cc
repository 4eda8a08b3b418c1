#include "commands/conditions/switch.h"

#include "commands/command_support.h"

ProcRecord* LoadSwitch(const char* section) {
  auto* record = NewRecord<SWITCH_INFO>(section, "SWITCH_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"PROC", &record->proc}, {"0", &record->list0}, {"1", &record->list1}});
}

bool ExecuteSwitch(ProcRecord* base) {
  auto* record = static_cast<SWITCH_INFO*>(base);
  TextString target = record->proc;
  target.Trim(" ", " ");
  ProcRecord* decider = FindProcRecord(TopProcList(), target);
  if (!decider) {
    ShowMessage(kMsgBadSymbol, record->proc.GetText());
    return false;
  }
  const TextString& chosen = decider->result == 1 ? record->list1 : record->list0;
  int32_t count = chosen.CountItems(",");
  if (count == 0) return true;
  return LoadAndRunProcList(chosen, count);
}
