#include "commands/programs/link.h"

#include "foundation/paths.h"
#include "commands/programs/launch.h"
#include "platform/shortcut.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
#include "script/run_log.h"

namespace {

// Minimised is SW_SHOWMINNOACTIVE, not SW_SHOWMINIMIZED; 0 keeps the default.
int ShowCommandOf(int32_t show_code) {
  switch (show_code) {
    case 1:
      return kShowNormal;
    case 2:
      return kShowMinNoActive;
    case 3:
      return kShowMaximized;
    default:
      return 0;
  }
}

}  // namespace

ProcRecord* LoadLink(const char* section) {
  auto* record = NewRecord<SHORTCUT_INFO>(section, "SHORTCUT_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"SRC", &record->src},
                                 {"PARAM", &record->param},
                                 {"SHOWCMD", &record->showCmd},
                                 {"DST", &record->dst}});
}

bool ExecuteLink(ProcRecord* base) {
  auto* record = static_cast<SHORTCUT_INFO*>(base);
  // The message names the command, not the key.
  int32_t count = CountListItems(*record, record->src, "LINK");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    TextString target = TrimmedItem(record->src, i);
    TextString link = TrimmedItem(record->dst, i);
    TextString arguments = TrimmedItem(record->param, i);
    int32_t show_code = record->showCmd.GetItem(i, ",").ToInt();
    TextString folder = link.GetItems(0, -2, "\\");
    TextString file = link + ".LNK";
    if (UndoBatch* undo = RunUndo()) {
      undo->MakesPath(folder);
      undo->Look(folder);
      if (PathExists(file.GetText())) {
        undo->Keep(file, KeepHow::kRewrite);
      } else {
        undo->Created(file);
      }
      if (!undo->Commit()) {
        ShowMessage(kMsgLinkFailed, target.GetText(), link.GetText());
        return false;
      }
    }
    // A failure here shows up when the shortcut is saved.
    MakePath(folder);
    bool ok = CreateShortcut(target.GetText(), (link + ".LNK").GetText(), arguments.GetText(),
                             show_code);
    LogOperation("LINK", target.GetText(), (link + ".LNK").GetText(), ok);
    if (!ok) {
      ShowMessage(kMsgLinkFailed, target.GetText(), link.GetText());
      return false;
    }
  }
  record->result = 1;
  return true;
}

bool CreateShortcut(const char* target, const char* link_path, const char* arguments,
                    int32_t show_code) {
  TextString folder;  // stays empty when the target has no folder
  GetFolderOfPath(target, folder);
  return SaveShortcut(link_path, target, folder.GetText() ? folder.GetText() : "", arguments,
                      ShowCommandOf(show_code));
}

void CheckLink(ProcCheck& check) {
  TextString src, param, show, dst;
  const bool has_src = check.Text("SRC", src);
  const bool has_param = check.Text("PARAM", param);
  const bool has_show = check.Text("SHOWCMD", show);
  const bool has_dst = check.Text("DST", dst);
  if (!has_src) return;
  const int32_t count = CheckFirstList(check, "SRC", src, "LINK");
  if (has_param) CheckPairedList(check, "SRC", count, "PARAM", param, Pairing::kMayShort);
  if (has_dst) CheckPairedList(check, "SRC", count, "DST", dst, Pairing::kExact);
  if (!has_show) return;
  CheckPairedList(check, "SRC", count, "SHOWCMD", show, Pairing::kMayShort);
  for (int32_t i = 0; i < count && i < show.CountItems(","); ++i) {
    TextString value = show.GetItem(i, ",");
    // 0 asks for the default on purpose.
    if (!IsWholeDecimal(value) || (value.ToInt() != 0 && ShowCommandOf(value.ToInt()) == 0)) {
      check.Error("SHOWCMD", ItemName("SHOWCMD", i, count) + " " + Quoted(value) +
                                 " is not 1 (normal), 2 (minimised), 3 (maximised) or 0 (the "
                                 "default); the shortcut gets the default window state");
    }
  }
}
