#include "commands/programs/msgbox.h"

#include <vector>

#include "foundation/globals.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "platform/code_page.h"
#include "script/show_box.h"

namespace {

struct BoxType {
  const char* word;
  unsigned style;
};

constexpr BoxType kBoxTypes[] = {
    {"ERROR", kIconError},
    {"INFORMATION", kIconInformation},
    {"WARNING", kIconWarning | kBoxYesNo | kDefaultButton2},
    {"QUESTION", kIconQuestion | kBoxYesNo},
};

const BoxType* FindBoxType(const TextString& type) {
  for (const BoxType& candidate : kBoxTypes) {
    if (type == candidate.word) return &candidate;
  }
  return nullptr;
}

}  // namespace

ProcRecord* LoadMsgBox(const char* section) {
  auto* record = NewRecord<MSGBOX_INFO>(section, "MSGBOX_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FLAG", &record->flag},
                                 {"TYPE", &record->type},
                                 {"TEXT", &record->text},
                                 {"ISABORT", &record->isAbort}});
}

bool ExecuteMsgBox(ProcRecord* base) {
  auto* record = static_cast<MSGBOX_INFO*>(base);
  if (record->flag.CountItems(",") >= 2) {
    ProcRecord* condition = FindProcRecord(TopProcList(), TrimmedItem(record->flag, 0));
    if (!condition) {
      ShowMessage(kMsgBadSymbol, record->flag.GetText());
      return false;
    }
    if (record->flag.GetItem(1, ",").ToInt() != condition->result) return true;
  }
  const BoxType* type = FindBoxType(record->type);
  if (!type) {
    ShowMessage(kMsgBadSymbol, record->type.GetText());
    return false;
  }
  TextString text = record->text;
  text.ReplaceAll("%n", "\n");
  text.ReplaceAll("%t", "\t");
  int answer = ShowBox(AnsiToUtf8(text.GetText()).c_str(), RunCaption().c_str(), type->style);
  int abort_item;
  if (answer == kIdOk || answer == kIdYes) {
    record->result = 1;
    abort_item = 0;
  } else if (answer == kIdCancel || answer == kIdNo) {
    abort_item = 1;
  } else {
    return true;
  }
  if (record->isAbort.GetItem(abort_item, ",").ToInt() == 0) return true;
  NoteRunEnd(RunEnd::kUserStop);
  return false;
}

void CheckMsgBox(ProcCheck& check) {
  TextString flag, type, text, is_abort;
  const bool has_flag = check.Text("FLAG", flag);
  const bool has_type = check.Text("TYPE", type);
  check.Text("TEXT", text);
  const bool has_abort = check.Text("ISABORT", is_abort);
  if (has_flag && flag.CountItems(",") == 1) {
    check.Warning("FLAG", "FLAG " + Quoted(flag) +
                            " has one item; the box always shows (write name,0 or name,1)");
  } else if (has_flag && flag.CountItems(",") >= 2) {
    const TextString name = TrimmedItem(flag, 0);
    // The first procedure of that name is the one whose flag is read.
    const std::vector<TextString>& names = check.ListNames();
    int32_t at = -1;
    for (int32_t i = 0; at < 0 && i < static_cast<int32_t>(names.size()); ++i) {
      if (names[i] == name) at = i;
    }
    if (at < 0) {
      check.Error("FLAG", "FLAG names " + Quoted(name) +
                              ", which is no procedure of the list that holds this box",
                  MessageText(kMsgBadSymbol, flag.GetText()));
    } else if (at > check.Index()) {
      check.Warning("FLAG", "FLAG names " + Quoted(name) +
                                ", which runs after this box; its flag is still 0 here");
    }
    TextString value = flag.GetItem(1, ",");
    if (!IsWholeDecimal(value) || (value.ToInt() != 0 && value.ToInt() != 1)) {
      check.Error("FLAG", "the flag value " + Quoted(value) +
                              " is not 0 or 1; the updater compares the flag with " +
                              std::to_string(value.ToInt()));
    }
  }
  if (has_type && !FindBoxType(type)) {
    check.Error("TYPE", "TYPE " + Quoted(type) +
                            " is not ERROR, INFORMATION, WARNING or QUESTION; the box fails "
                            "when its turn comes",
                MessageText(kMsgBadSymbol, type.GetText()));
  }
  if (!has_abort) return;
  const int32_t items = is_abort.CountItems(",");
  bool whole = items == 2;
  for (int32_t i = 0; whole && i < 2; ++i) whole = IsWholeDecimal(is_abort.GetItem(i, ","));
  if (!whole) {
    auto stops = [&](int32_t i) {
      return is_abort.GetItem(i, ",").ToInt() != 0 ? "stops" : "goes on";
    };
    check.Error("ISABORT", "ISABORT " + Quoted(is_abort) +
                               " is not two numbers separated by a comma; the updater " +
                               stops(0) + " after OK or Yes and " + stops(1) +
                               " after Cancel or No");
  }
}
