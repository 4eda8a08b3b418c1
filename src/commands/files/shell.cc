#include "commands/files/shell.h"

#include <cstring>

#include "foundation/globals.h"
#include "platform/files.h"
#include "commands/files/tree.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
#include "script/run_log.h"

namespace {

constexpr char kTemporarySuffix[] = ".tmp";

// Copies text with room left for the given number of NULs after it.
bool Put(const TextString& text, size_t nuls, char (&buffer)[kShellBufferSize]) {
  size_t length = static_cast<size_t>(text.GetLength());
  if (length + nuls > kShellBufferSize) return false;
  if (length) std::memcpy(buffer, text.GetText(), length);
  return true;
}

TextString ParentOf(const TextString& path) { return path.GetItems(0, -2, "\\"); }

// What the shell is about to change: what FROM names goes (removed, or moved or renamed to
// TO.tmp), TO.tmp is made whole, and then takes TO's place. Files the shell may write into
// are kept by a copy.
bool PlanShell(unsigned function, const TextString& from, const TextString& to,
               UndoBatch& undo) {
  if (function == kShellDelete || function == kShellMove || function == kShellRename) {
    PlanRemoval(from, undo);
  }
  if (to.GetLength() == 0) return undo.Commit();
  TextString temporary = to + kTemporarySuffix;
  if (function == kShellCopy || function == kShellMove || function == kShellRename) {
    undo.MakesPath(ParentOf(temporary));
    undo.Look(ParentOf(temporary));
    undo.RemovesTree(temporary, KeepHow::kRewrite);
    undo.CreatedTree(temporary);
  }
  bool makes_temporary = function == kShellCopy || function == kShellMove ||
                         function == kShellRename ||
                         GetPathAttributes(temporary.GetText()) != kInvalidAttributes;
  uint32_t attributes = GetPathAttributes(to.GetText());
  if (attributes != kInvalidAttributes && !IsRealFolder(attributes)) {
    undo.Keep(to, KeepHow::kLink);
  }
  // Without a TO.tmp there is nothing to move, and TO found at its place is the kept one.
  if (makes_temporary) undo.Moved(temporary, to, !IsRealFolder(attributes));
  return undo.Commit();
}

}  // namespace

ProcRecord* LoadShell(const char* section) {
  auto* record = NewRecord<SHELL_INFO>(section, "SHELL_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record,
                        {{"FUNC", &record->func}, {"FROM", &record->from}, {"TO", &record->to}});
}

unsigned ShellFunctionCode(const TextString& func) {
  if (func == "COPY") return kShellCopy;
  if (func == "DELETE") return kShellDelete;
  if (func == "MOVE") return kShellMove;
  if (func == "RENAME") return kShellRename;
  return 0;
}

bool FillShellRequest(unsigned function, const TextString& from, const TextString& to,
                      const TextString& title, ShellRequest* request) {
  *request = ShellRequest();
  request->function = function;
  // The two lists end in a pair of NULs, the title in one.
  return Put(from, 2, request->from) && Put(to + kTemporarySuffix, 2, request->to) &&
         Put(title, 1, request->title);
}

bool ExecuteShell(ProcRecord* base) {
  auto* record = static_cast<SHELL_INFO*>(base);
  // The count only tells an empty FROM: the path is used whole, commas and all.
  if (CountListItems(*record, record->from, "FROM") == 0) return false;
  ShellRequest request;
  unsigned function = ShellFunctionCode(record->func);
  UndoBatch* undo = RunUndo();
  bool ok = FillShellRequest(function, record->from, record->to, RunSettings.title, &request) &&
            (!undo || PlanShell(function, record->from, record->to, *undo)) &&
            RunShellOperation(request) == 0;
  LogOperation((TextString("SHELL ") + record->func).GetText(), record->from.GetText(),
               record->to.GetText(), ok);
  if (!ok) {
    ShowMessage(kMsgShellFailed, record->from.GetText(), record->to.GetText());
    return false;
  }
  RemoveFile(record->to.GetText());
  MoveEntry((record->to + kTemporarySuffix).GetText(), record->to.GetText(), false);
  record->result = 1;
  return true;
}

void CheckShell(ProcCheck& check) {
  TextString func, from, to;
  const bool has_func = check.Text("FUNC", func);
  const bool has_from = check.Text("FROM", from);
  const bool has_to = check.Text("TO", to);
  if (has_func && ShellFunctionCode(func) == 0) {
    check.Error("FUNC",
                "FUNC " + Quoted(func) +
                    " is not COPY, DELETE, MOVE or RENAME; the shell refuses it",
                MessageText(kMsgShellFailed));
  }
  if (!has_from || CheckFirstList(check, "FROM", from) == 0 || !has_to) return;
  ShellRequest request;
  if (!FillShellRequest(kShellCopy, from, to, RunSettings.title, &request)) {
    check.Error("FROM", "FROM or TO (with \".tmp\" added) is too long for the shell's buffer",
                MessageText(kMsgShellFailed));
  }
  WarnMissingPath(check, "FROM", from);
  check.Makes(to);
}
