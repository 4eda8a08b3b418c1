#include "commands/conditions/switch.h"

#include "commands/command_check.h"
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

void CheckSwitch(ProcCheck& check) {
  TextString proc, list0, list1;
  const bool has_proc = check.Text("PROC", proc);
  const bool has_0 = check.Text("0", list0);
  const bool has_1 = check.Text("1", list1);
  if (has_proc) {
    TextString target = proc;
    target.Trim(" ", " ");
    const std::vector<TextString>& names = check.ListNames();
    int32_t at = -1;
    for (int32_t i = 0; at < 0 && i < static_cast<int32_t>(names.size()); ++i) {
      if (names[i] == target) at = i;
    }
    if (at < 0) {
      check.Error("PROC", "PROC " + Quoted(proc) +
                              " names no procedure of the list that holds this SWITCH",
                  MessageText(kMsgBadSymbol, proc.GetText()));
    } else if (at > check.Index()) {
      check.Warning("PROC", "PROC " + Quoted(target) +
                                " runs after this SWITCH; its flag is still 0, so list 0 runs");
    } else if (check.ModeOf(names[at]) == "SWITCH") {
      check.Warning("PROC", "PROC " + Quoted(target) +
                                " is a SWITCH, which never sets its flag; list 0 always runs");
    }
  }
  if (has_0) check.Branch("0", list0);
  if (has_1) check.Branch("1", list1);
}
