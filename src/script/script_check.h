#ifndef UPDATER_SCRIPT_SCRIPT_CHECK_H_
#define UPDATER_SCRIPT_SCRIPT_CHECK_H_

// The checker: reads a script as the updater would (the same profile reads, the same
// expansion, the same command knowledge), runs nothing and changes nothing, and reports
// every problem instead of stopping at the first. Each command checks its own keys
// (Command::check); this walk loads every list, SWITCH branches included.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foundation/text_string.h"

enum class Severity { kError, kWarning };

struct Finding {
  Severity severity = Severity::kError;
  uint32_t line = 0;    // 0: the file as a whole
  std::string section;  // "" when none
  std::string key;      // "" when none
  std::string text;     // what is wrong, in the code page
  std::string message;  // the updater's message for it, in UTF-8; "" when none
};

struct PlanBranch;

// One procedure as the updater would load it.
struct PlanStep {
  std::string section;
  std::string mode;
  std::vector<std::pair<std::string, std::string>> values;  // key, expanded value
  std::string note;  // why the branches are not shown, when they are not
  std::vector<PlanBranch> branches;
};

struct PlanBranch {
  std::string key;   // "0" or "1"
  std::string list;  // as written, expanded
  std::vector<PlanStep> steps;
};

struct CheckResult {
  std::vector<Finding> findings;  // by line; those of one line in the order found
  std::vector<PlanStep> plan;     // the UPDATER PROC list
  int32_t Errors() const;
};

// Checks the script of RunSettings: scriptPath, programPath (whose folder is <Src>) and
// commandLine (what ?Param sees) must be set. Shows no box.
CheckResult CheckScript();

// What a command's check works with: one procedure of one list.
class Checker;
class ProcCheck {
 public:
  ProcCheck(Checker& checker, PlanStep& step, const std::vector<TextString>& list, int32_t index)
      : checker_(checker), step_(step), list_(list), index_(index) {}

  const char* Section() const { return step_.section.c_str(); }
  // ReadKey without a box: true with the expanded value, or false after reporting what the
  // updater would stop with (the key missing, the expansion too long). Symbols and queries
  // left as written are reported. The value joins the plan.
  bool Text(const char* key, TextString& out);
  // ReadIntKey likewise; the value is not expanded, as the updater does not expand it.
  // raw, when given, receives the text the number was read from.
  bool Int(const char* key, int32_t& out, TextString* raw = nullptr);

  void Error(const char* key, const std::string& text, const TextString& message = TextString());
  void Warning(const char* key, const std::string& text);

  // The procedures of the list that holds this one (trimmed), and this one's place in it.
  const std::vector<TextString>& ListNames() const { return list_; }
  int32_t Index() const { return index_; }
  // The MODE of a section as the loader would read it; "" when it has none.
  TextString ModeOf(const TextString& section) const;
  // Notes a path that this procedure makes (a copy's target, a new folder), so that later
  // procedures that read it find it. Whether a path exists here or is made before.
  void Makes(const TextString& path);
  bool Exists(const TextString& path) const;
  // Checks a list as the nested list the updater loads when it takes this branch.
  void Branch(const char* key, const TextString& list);

 private:
  Checker& checker_;
  PlanStep& step_;
  const std::vector<TextString>& list_;
  int32_t index_;
};

// The text of message id with its arguments, as ShowMessage would show it.
TextString MessageText(unsigned id, ...);

// "TEXT" quoted for a report.
std::string Quoted(const TextString& text);

#endif  // UPDATER_SCRIPT_SCRIPT_CHECK_H_
