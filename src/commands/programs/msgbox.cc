#include "commands/programs/msgbox.h"

#include "foundation/globals.h"
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
  const BoxType* type = nullptr;
  for (const BoxType& candidate : kBoxTypes) {
    if (record->type == candidate.word) {
      type = &candidate;
      break;
    }
  }
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
