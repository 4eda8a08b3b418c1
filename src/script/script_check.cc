#include "script/script_check.h"

#include <algorithm>
#include <cstdarg>
#include <set>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "foundation/ascii.h"
#include "foundation/globals.h"
#include "foundation/paths.h"
#include "platform/file_info.h"
#include "script/command_table.h"
#include "script/messages.h"
#include "script/profile_values.h"
#include "script/symbols.h"
#include "standins/ini_file.h"

namespace {

// The last message the updater would have shown, caught instead of its box.
TextString caught_message;
bool caught = false;

void CatchMessage(unsigned, const std::string& text) {
  caught_message = text.c_str();
  caught = true;
}

std::string Str(const TextString& text) { return text.GetText() ? text.GetText() : ""; }

const char* ScriptPath() {
  const char* path = RunSettings.scriptPath.GetText();
  return path ? path : "";
}

// The script's bytes, for the outline only: every value is read through the profile
// functions, as the updater reads it.
std::string ReadScriptBytes(const char* path) {
  std::string bytes;
  UnsharedFile* file = OpenUnsharedFile(path);
  if (!file) return bytes;
  char chunk[65536];
  for (int64_t n; (n = ReadUnsharedFile(file, chunk, sizeof chunk)) > 0;) {
    bytes.append(chunk, static_cast<size_t>(n));
  }
  CloseUnsharedFile(file);
  return bytes;
}

bool IsAppQuery(const TextString& name) {
  return name == "?App" || name == "?AppPath" || name == "?SpFolder";
}

}  // namespace

TextString MessageText(unsigned id, ...) {
  va_list args;
  va_start(args, id);
  std::string text = FormatMessageV(id, args);
  va_end(args);
  return TextString(text.c_str());
}

std::string Quoted(const TextString& text) { return "\"" + Str(text) + "\""; }

int32_t CheckResult::Errors() const {
  int32_t errors = 0;
  for (const Finding& finding : findings) errors += finding.severity == Severity::kError;
  return errors;
}

class Checker {
 public:
  explicit Checker(CheckResult& result) : result_(result) {}

  void Run();
  void CheckList(const TextString& list, const char* origin_section, const char* origin_key,
                 std::vector<PlanStep>& steps);

  void Report(Severity severity, const std::string& section, const std::string& key,
              const std::string& text, const TextString& message, uint32_t line = 0) {
    if (line == 0) line = LineOf(section, key);
    // A procedure named by several lists is read each time; its faults are told once.
    if (!reported_.insert(std::make_tuple(line, AsciiLowered(section), AsciiLowered(key), text))
             .second) {
      return;
    }
    result_.findings.push_back(Finding{severity, line, section, key, text, Str(message)});
  }

  // The line of the key in the section the reader finds, else of the section's header.
  uint32_t LineOf(const std::string& section, const std::string& key) const {
    auto found = sections_.find(AsciiLowered(section));
    if (found == sections_.end()) return 0;
    const IniFile::OutlineSection& s = outline_[found->second];
    if (!key.empty()) {
      for (const IniFile::OutlineKey& k : s.keys) {
        if (AsciiEqualFold(k.name, key)) return k.line;
      }
    }
    return s.line;
  }
  const IniFile::OutlineKey* FindKey(const std::string& section, const std::string& key) const {
    auto found = sections_.find(AsciiLowered(section));
    if (found == sections_.end()) return nullptr;
    for (const IniFile::OutlineKey& k : outline_[found->second].keys) {
      if (AsciiEqualFold(k.name, key)) return &k;
    }
    return nullptr;
  }
  bool HasSection(const TextString& name) const {
    return sections_.count(AsciiLowered(Str(name))) != 0;
  }

  // ReadKey's read and expansion, the outcome reported instead of shown.
  bool ReadText(const std::string& section, const char* key, TextString& out);
  void NoteRead(const std::string& section, const char* key) {
    read_.insert(AsciiLowered(section) + "\n" + AsciiLowered(key));
  }
  void ReportLeftovers(const std::string& section, const char* key, const TextString& value);

  void Branch(PlanStep& step, const char* key, const TextString& list);

  // Paths made by the procedures checked so far, lowered, without a trailing backslash.
  std::vector<std::string> made_;

 private:
  void ReportUnread();
  void CheckDefineLines();

  CheckResult& result_;
  std::vector<IniFile::OutlineSection> outline_;
  std::unordered_map<std::string, size_t> sections_;  // lowered name to its first section
  std::set<std::string> read_;                        // "section\nkey", lowered
  std::set<std::string> visited_;                     // procedure sections, lowered
  std::set<std::string> unknown_mode_;                // whose MODE names no command
  std::set<std::tuple<uint32_t, std::string, std::string, std::string>> reported_;
  std::set<std::string> expanded_switches_;  // whose branches were checked
  std::vector<std::string> open_switches_;   // whose branches are being checked
};

bool Checker::ReadText(const std::string& section, const char* key, TextString& out) {
  NoteRead(section, key);
  TextString value;
  const char* path = ScriptPath();
  if (!ReadProfileText(path, section.c_str(), key, value)) {
    const IniFile::OutlineKey* written = FindKey(section, key);
    std::string text = !HasSection(section.c_str()) ? "there is no section [" + section + "]"
                       : written && written->has_value
                           ? std::string(key) + " is NO_DATA, which the updater reads as missing"
                           : "the key " + std::string(key) + " is missing";
    Report(Severity::kError, section, key, text, MessageText(kMsgBadFormat, section.c_str(), key));
    return false;
  }
  caught = false;
  if (!ExpandValue(value)) {
    Report(Severity::kError, section, key, "the value grows past 1 MiB when expanded",
           caught ? caught_message : TextString());
    return false;
  }
  ReportLeftovers(section, key, value);
  out = value;
  return true;
}

void Checker::ReportLeftovers(const std::string& section, const char* key,
                              const TextString& value) {
  for (int32_t i = 0, n = value.CountBlocks("<", ">"); i < n; ++i) {
    TextString block = value.GetBlock(i, "<", ">");
    Report(Severity::kError, section, key,
           "the symbol " + Str(block) +
               " is neither built in nor in DEFINE (above its use); it stays as written",
           TextString());
  }
  for (int32_t i = 0, n = value.CountBlocks("{", "}"); i < n; ++i) {
    TextString block = value.GetBlock(i, "{", "}");
    TextString inner = block.Mid(1, block.GetLength() - 2);
    // Braces around words without "?" are text, not a query.
    if (!inner.StartsWith("?")) continue;
    if (IsAppQuery(inner.GetItem(0, "\\"))) {
      Report(Severity::kWarning, section, key,
             "the query " + Str(block) + " finds nothing on this machine; it stays as written",
             TextString());
    } else {
      Report(Severity::kError, section, key,
             "the query " + Str(block) +
                 " is not ?App, ?AppPath, ?SpFolder or ?Param; it stays as written",
             TextString());
    }
  }
}

void Checker::Run() {
  const char* path = ScriptPath();
  if (!PathExists(path)) {
    Report(Severity::kError, "", "", "the script does not exist",
           MessageText(kMsgFileNotFound, path));
    return;
  }
  outline_ = IniFile(ReadScriptBytes(path)).Outline();
  for (size_t i = 0; i < outline_.size(); ++i) sections_.emplace(AsciiLowered(outline_[i].name), i);
  caught = false;
  if (!BuildSymbolTable()) {
    Report(Severity::kError, "DEFINE", "", "a DEFINE entry grows past its bound when expanded",
           caught_message);
  }
  CheckDefineLines();
  TextString name, procs;
  // The caption counts where its length does (the shell's buffer).
  if (ReadText("UPDATER", "NAME", name) && name.GetLength() != 0) RunSettings.title = name;
  // Read raw and optional, as the updater reads it: only 1 turns the undo on.
  NoteRead("UPDATER", "ROLLBACK");
  TextString rollback;
  if (ReadProfileText(ScriptPath(), "UPDATER", "ROLLBACK", rollback)) {
    rollback.Trim(" ", " ");
    if (rollback.GetLength() != 0 && rollback != "0" && rollback != "1") {
      Report(Severity::kWarning, "UPDATER", "ROLLBACK",
             std::string("ROLLBACK \"") + rollback.GetText() +
                 "\" is neither 1 nor 0; the updater undoes nothing after a failure",
             TextString());
    }
  }
  if (ReadText("UPDATER", "PROC", procs)) {
    if (procs.CountItems(",") == 0) {
      Report(Severity::kError, "UPDATER", "PROC", "PROC names no procedure",
             MessageText(kMsgBadItemCount, "UPDATER", "PROC"));
    } else {
      CheckList(procs, "UPDATER", "PROC", result_.plan);
    }
  }
  ReportUnread();
}

void Checker::CheckDefineLines() {
  auto found = sections_.find("define");
  if (found == sections_.end()) return;
  for (const IniFile::OutlineKey& key : outline_[found->second].keys) {
    if (key.name.empty() || key.name[0] == ';') continue;
    if (key.name.front() != '<' || key.name.back() != '>') {
      Report(Severity::kError, "DEFINE", key.name,
             "a DEFINE line names its symbol in angle brackets (<" + key.name +
                 ">); no value can name this one",
             TextString(), key.line);
    }
  }
  // A DEFINE value holding an unknown symbol is reported where a key uses it.
}

void Checker::CheckList(const TextString& list, const char* origin_section, const char* origin_key,
                        std::vector<PlanStep>& steps) {
  std::vector<TextString> names = SplitItems(list, ",");
  for (TextString& name : names) name.Trim(" ", " ");
  for (int32_t i = 0; i < static_cast<int32_t>(names.size()); ++i) {
    const TextString& name = names[i];
    PlanStep& step = steps.emplace_back();
    step.section = Str(name);
    if (name.GetLength() == 0) {
      Report(Severity::kError, origin_section, origin_key,
             "item " + std::to_string(i + 1) + " of " + origin_key + " is empty",
             MessageText(kMsgBadFormat, "", "MODE"));
      continue;
    }
    if (!HasSection(name)) {
      Report(Severity::kError, origin_section, origin_key,
             origin_key + std::string(" names the procedure ") + Quoted(name) +
                 ", but there is no section [" + step.section + "]",
             MessageText(kMsgBadFormat, name.GetText(), "MODE"));
      continue;
    }
    visited_.insert(AsciiLowered(step.section));
    if (std::find(open_switches_.begin(), open_switches_.end(), AsciiLowered(step.section)) !=
        open_switches_.end()) {
      Report(Severity::kError, origin_section, origin_key,
             "the branch leads back into SWITCH [" + step.section +
                 "], which is running; each pass would nest it deeper",
             TextString());
      step.mode = "SWITCH";
      step.note = "leads back into itself";
      continue;
    }
    TextString mode;
    if (!ReadText(step.section, "MODE", mode)) continue;
    step.mode = Str(mode);
    const Command* command = FindCommand(mode);
    if (!command || !command->load) {
      // Its keys belong to no command: telling each unread would only repeat this.
      unknown_mode_.insert(AsciiLowered(step.section));
      Report(Severity::kError, step.section, "MODE", "MODE " + Quoted(mode) + " names no command",
             MessageText(kMsgBadSymbol, mode.GetText()));
      continue;
    }
    step.mode = command->word;
    ProcCheck check(*this, step, names, i);
    if (command->check) command->check(check);
  }
}

void Checker::Branch(PlanStep& step, const char* key, const TextString& list) {
  if (list.CountItems(",") == 0) return;
  const std::string self = AsciiLowered(step.section);
  if (expanded_switches_.count(self + "\n" + key)) {
    if (step.note.empty()) step.note = "branches shown above";
    return;
  }
  expanded_switches_.insert(self + "\n" + key);
  open_switches_.push_back(self);
  PlanBranch& branch = step.branches.emplace_back();
  branch.key = key;
  branch.list = Str(list);
  CheckList(list, step.section.c_str(), key, branch.steps);
  open_switches_.pop_back();
}

void Checker::ReportUnread() {
  for (size_t i = 0; i < outline_.size(); ++i) {
    const IniFile::OutlineSection& section = outline_[i];
    const std::string lowered = AsciiLowered(section.name);
    const bool first = sections_.at(lowered) == i;
    if (i == 0) {
      for (const IniFile::OutlineKey& key : section.keys) {
        if (key.name.empty() || key.name[0] == ';') continue;
        Report(Severity::kWarning, "", key.name,
               "this line comes before the first section header; nothing reads it", TextString(),
               key.line);
      }
      continue;
    }
    if (!first) {
      Report(Severity::kWarning, section.name, "",
             "a second [" + section.name + "] section; the updater reads only the first, line " +
                 std::to_string(outline_[sections_.at(lowered)].line),
             TextString(), section.line);
      continue;
    }
    if (lowered == "define") continue;
    if (lowered != "updater" && !visited_.count(lowered)) {
      Report(Severity::kWarning, section.name, "",
             "no procedure list names [" + section.name + "]; nothing reads it", TextString(),
             section.line);
      continue;
    }
    if (unknown_mode_.count(lowered)) continue;
    std::set<std::string> seen;
    for (const IniFile::OutlineKey& key : section.keys) {
      if (key.name.empty() || key.name[0] == ';') continue;
      const std::string name = AsciiLowered(key.name);
      if (!seen.insert(name).second) {
        Report(Severity::kWarning, section.name, key.name,
               key.name + " is given again; the updater reads only the first, line " +
                   std::to_string(LineOf(section.name, key.name)),
               TextString(), key.line);
      } else if (!read_.count(lowered + "\n" + name)) {
        Report(Severity::kWarning, section.name, key.name,
               "nothing reads the key " + key.name + (key.has_value ? "" : " (it has no \"=\")"),
               TextString(), key.line);
      }
    }
  }
}

bool ProcCheck::Text(const char* key, TextString& out) {
  if (!checker_.ReadText(step_.section, key, out)) return false;
  step_.values.emplace_back(key, Str(out));
  return true;
}

bool ProcCheck::Int(const char* key, int32_t& out, TextString* raw_out) {
  checker_.NoteRead(step_.section, key);
  const char* path = ScriptPath();
  TextString raw;
  if (!ReadProfileInt(path, Section(), key, out) || !ReadProfileText(path, Section(), key, raw)) {
    checker_.Report(Severity::kError, step_.section, key,
                    "the key " + std::string(key) + " is missing or NO_DATA",
                    MessageText(kMsgBadFormat, Section(), key));
    return false;
  }
  step_.values.emplace_back(key, Str(raw));
  if (raw_out) *raw_out = raw;
  return true;
}

void ProcCheck::Error(const char* key, const std::string& text, const TextString& message) {
  checker_.Report(Severity::kError, step_.section, key, text, message);
}

void ProcCheck::Warning(const char* key, const std::string& text) {
  checker_.Report(Severity::kWarning, step_.section, key, text, TextString());
}

TextString ProcCheck::ModeOf(const TextString& section) const {
  TextString mode;
  ReadProfileText(ScriptPath(), section.GetText(), "MODE", mode);
  return mode;
}

namespace {

std::string PathKey(const TextString& path) {
  std::string key = AsciiLowered(Str(path));
  while (key.size() > 1 && key.back() == '\\') key.pop_back();
  return key;
}

}  // namespace

void ProcCheck::Makes(const TextString& path) {
  if (path.GetLength() != 0) checker_.made_.push_back(PathKey(path));
}

bool ProcCheck::Exists(const TextString& path) const {
  TextString trimmed = path;
  // "data\" names the folder "data" as well.
  if (trimmed.GetLength() > 1) trimmed.Trim("", "\\");
  if (PathExists(trimmed.GetText()) || PathExists(path.GetText())) return true;
  const std::string key = PathKey(path);
  for (const std::string& made : checker_.made_) {
    if (key == made || (key.size() > made.size() && key.compare(0, made.size(), made) == 0 &&
                        key[made.size()] == '\\')) {
      return true;
    }
  }
  return false;
}

void ProcCheck::Branch(const char* key, const TextString& list) {
  checker_.Branch(step_, key, list);
}

CheckResult CheckScript() {
  CheckResult result;
  SetMessageSink(CatchMessage);
  Checker(result).Run();
  SetMessageSink(nullptr);
  std::stable_sort(result.findings.begin(), result.findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  return result;
}
