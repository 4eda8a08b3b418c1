#include "commands/programs/launch.h"

#include <cstring>

#include "foundation/code_page.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/run_log.h"

ProcRecord* LoadLaunch(const char* section) {
  auto* record = NewRecord<LAUNCH_INFO>(section, "LAUNCH_INFO");
  if (!record) return nullptr;
  record = ReadRecordKeys(record, {{"FILE", &record->file}, {"PARAM", &record->param}});
  if (!record) return nullptr;
  if (!ReadIntKey(section, "ISWAIT", record->isWait)) {
    delete record;
    return nullptr;
  }
  return record;
}

bool ExecuteLaunch(ProcRecord* base) {
  auto* record = static_cast<LAUNCH_INFO*>(base);
  int32_t count = CountListItems(*record, record->file, "FILE");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    TextString program = TrimmedItem(record->file, i);
    TextString params = TrimmedItem(record->param, i);
    bool ok = LaunchProgram(program.GetText(), params.GetText(), record->isWait != 0);
    LogOperation("LAUNCH", program.GetText(), params.GetText(), ok);
    if (!ok) {
      ShowMessage(kMsgLaunchFailed, program.GetText(), params.GetText());
      return false;
    }
  }
  record->result = 1;
  return true;
}

bool GetFolderOfPath(const char* path, TextString& out) {
  // Whole characters: the second byte of a double-byte character may be a backslash.
  const char* last = nullptr;
  for (const char* p = path; *p; p += CharLength(p)) {
    if (*p == '\\') last = p;
  }
  if (!last || last == path) return false;
  out = TextString(path).Mid(0, static_cast<int32_t>(last - path) - 1);
  return true;
}

bool LaunchProgram(const char* program, const char* params, bool wait) {
  TextString folder;
  if (!GetFolderOfPath(program, folder)) return false;
  uint32_t attributes = GetPathAttributes(program);
  bool names_file = attributes != kInvalidAttributes && !(attributes & kAttrDirectory);
  // A double quote would end the quoted program early, and the line would name another
  // program. Windows forbids the character in names; Linux allows it, so refuse it here.
  if (names_file && std::strchr(program, '"')) return false;
  TextString line = names_file ? TextString("\"") + program + "\"" : TextString(program);
  line += " ";
  line += params;
  return LaunchCommandLine(line.GetText(), folder.GetText(), wait);
}

void CheckLaunch(ProcCheck& check) {
  TextString file, param;
  int32_t wait = 0;
  TextString wait_text;
  const bool has_file = check.Text("FILE", file);
  const bool has_param = check.Text("PARAM", param);
  if (check.Int("ISWAIT", wait, &wait_text) && !IsWholeDecimal(wait_text)) {
    check.Error("ISWAIT", "ISWAIT " + Quoted(wait_text) + " is not a number; the updater reads " +
                              std::to_string(wait) + (wait ? " (waits)" : " (does not wait)"));
  }
  if (!has_file) return;
  const int32_t count = CheckFirstList(check, "FILE", file);
  if (has_param) CheckPairedList(check, "FILE", count, "PARAM", param, Pairing::kMayShort);
  for (int32_t i = 0; i < count; ++i) {
    TextString program = TrimmedItem(file, i);
    TextString folder;
    if (!GetFolderOfPath(program.GetText(), folder)) {
      check.Error("FILE", ItemName("FILE", i, count) + " " + Quoted(program) +
                              " has no folder part; the updater cannot start it",
                  MessageText(kMsgLaunchFailed, program.GetText(),
                              TrimmedItem(param, i).GetText()));
    }
  }
  for (int32_t i = 0; i < count; ++i) {
    // The program text may carry arguments of its own after the program.
    TextString program = TrimmedItem(file, i);
    if (!check.Exists(program) && !check.Exists(program.GetWord(0))) {
      WarnMissingPath(check, "FILE", program);
    }
  }
}
