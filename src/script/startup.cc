#include "script/startup.h"

#include <new>

#include "foundation/command_line.h"
#include "foundation/globals.h"
#include "foundation/paths.h"
#include "platform/code_page.h"
#include "platform/program.h"
#include "platform/string_table.h"
#include "script/messages.h"
#include "script/procedures.h"
#include "script/script_reader.h"
#include "script/rollback.h"
#include "script/run_log.h"
#include "script/show_box.h"
#include "script/symbols.h"

namespace {

constexpr char kUsage[] =
    "Usage: updater [/tCAPTION] [/iSCRIPT]\n"
    "\n"
    "Runs the update script beside the program: the program's name with the extension\n"
    ".ini, or SCRIPT, taken relative to the program's folder.\n"
    "\n"
    "  /tCAPTION   the caption of every box until the script's NAME replaces it\n"
    "  /iSCRIPT    the script to run\n"
    "  /?, --help  shows this text and runs nothing\n"
    "\n"
    "Environment:\n"
    "  UPDATER_UNATTENDED=FILE  shows no box: each is appended to FILE as a JSON line\n"
    "                           and answered by its default button\n"
    "  UPDATER_ANSWERS=YES,NO   the answers of unattended boxes that offer a choice\n"
    "  UPDATER_LOG=FILE         appends the operation log to FILE, one JSON line an event\n"
    "\n"
    "Exit code when unattended: 0 the script ran to its end, 1 it ended after an error\n"
    "message, 2 an answer ended it.\n";

// Only a command line that is nothing else asks for the usage: "/?x" or "/? /iA.ini"
// still run as before.
bool AsksForUsage(const char* command_line) {
  return IsLoneWord(command_line, "/?") || IsLoneWord(command_line, "--help");
}

}  // namespace

bool GetOption(const TextString& command_line, const char* letter, TextString& value) {
  static const char* const kMarkers[] = {"/", "-"};
  value = "";
  for (const char* marker : kMarkers) {
    TextString separator = TextString(marker) + letter;
    value = command_line.GetItem(1, separator.GetText());
    if (value.GetLength() != 0) break;
  }
  if (value.GetLength() == 0) return false;
  value = value.GetWord(0);
  return true;
}

bool PrepareRun(const char* command_line) {
  RunSettings.commandLine = command_line;
  RunSettings.defaultTitle = !GetOption(RunSettings.commandLine, "t", RunSettings.title);
  if (RunSettings.defaultTitle) {
    // Boxes show the caption from the table; this copy serves the shell's progress window.
    RunSettings.title =
        Utf8ToAnsi(LoadMessageText(kMsgDefaultCaption, UserMessageLanguage())).c_str();
  }
  RunSettings.programPath = ProgramPath().c_str();
  if (GetOption(RunSettings.commandLine, "i", RunSettings.scriptPath)) {
    // Always relative to the program's folder, even when the value is absolute.
    RunSettings.scriptPath =
        RunSettings.programPath.GetItems(0, -2, "\\") + "\\" + RunSettings.scriptPath;
  } else {
    RunSettings.scriptPath = RunSettings.programPath;
    TextString name = RunSettings.programPath.GetItem(-1, "\\");
    if (ProgramNamesHaveExtensions() || name.CountItems(".") > 1) {
      RunSettings.scriptPath.ReplaceItems(-1, -1, ".", "ini");
    } else {
      // A name without an extension gets one, rather than cutting into a folder name.
      RunSettings.scriptPath += ".ini";
    }
  }
  LogRunStart(command_line);
  if (!PathExists(RunSettings.scriptPath.GetText())) {
    ShowMessage(kMsgFileNotFound, RunSettings.scriptPath.GetText());
    return false;
  }
  // Before the script is read: a script that no longer reads must not keep a run half done.
  RecoverInterruptedRun(RunSettings.scriptPath);
  if (!BuildSymbolTable()) return false;
  if (!ReadUpdaterSection()) return false;
  // An empty NAME keeps the caption of the command line.
  if (ScriptState.name.GetLength() != 0) {
    RunSettings.title = ScriptState.name;
    RunSettings.defaultTitle = false;
  }
  return BeginRollback(RunSettings.scriptPath);
}

bool ReadUpdaterSection() {
  ScriptState.listCount = 0;
  return ReadKey("UPDATER", "NAME", ScriptState.name) &&
         ReadKey("UPDATER", "PROC", ScriptState.procList);
}

bool RunScript() {
  int32_t count = ScriptState.procList.CountItems(",");
  if (count == 0) {
    ShowMessage(kMsgBadItemCount, "UPDATER", "PROC");
    return false;
  }
  return LoadAndRunProcList(ScriptState.procList, count);
}

bool RunCatchingOutOfMemory(bool (*work)(const char* command_line), const char* command_line) {
  try {
    return work(command_line);
  } catch (const std::bad_alloc&) {
    const char* section = CurrentSection();
    ShowMessage(kMsgNoMemory, *section ? section : "UPDATER");
    return false;
  }
}

int UpdaterMain(const char* command_line) {
  if (AsksForUsage(command_line)) {
    if (!PrintUsage(kUsage)) {
      ShowBox(kUsage, LoadMessageText(kMsgDefaultCaption, UserMessageLanguage()).c_str(),
              kBoxOk | kIconInformation);
    }
    return 0;
  }
  InitializeCom();
  RunCatchingOutOfMemory([](const char* line) { return PrepareRun(line) && RunScript(); },
                         command_line);
  FreeAllProcLists();
  // An answer that stops the run is a decision: only a failure is undone. Memory running
  // out midway leaves the journal to the next start, without a second box.
  try {
    EndRollback(NotedRunEnd() == RunEnd::kError);
  } catch (const std::bad_alloc&) {
  }
  UninitializeCom();
  int exit_code = ProcessExitCode();
  LogRunEnd(exit_code);
  return exit_code;
}
