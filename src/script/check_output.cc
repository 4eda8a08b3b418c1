#include "script/check_output.h"

#include <nlohmann/json.hpp>

#include "platform/code_page.h"

namespace {

const char* SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : "warning";
}

// A message's line feeds as " / ", so that one finding keeps to two lines.
std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n') {
      line += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '\n') {
      line += " / ";
      ++i;
    } else {
      line += " / ";
    }
  }
  return line;
}

void PlanSteps(const std::vector<PlanStep>& steps, int depth, std::string& out) {
  const std::string indent(4 * depth, ' ');
  int number = 0;
  for (const PlanStep& step : steps) {
    out += indent + std::to_string(++number) + ". [" + step.section + "]";
    if (!step.mode.empty()) out += " " + step.mode;
    if (!step.note.empty()) out += " (" + step.note + ")";
    out += "\n";
    for (const auto& [key, value] : step.values) {
      if (key != "MODE") out += indent + "     " + key + "=" + value + "\n";
    }
    for (const PlanBranch& branch : step.branches) {
      out += indent + "   when " + branch.key + ": " + branch.list + "\n";
      PlanSteps(branch.steps, depth + 1, out);
    }
  }
}

}  // namespace

std::string FormatFindings(const CheckResult& result, const std::string& file) {
  std::string out;
  int errors = 0, warnings = 0;
  for (const Finding& finding : result.findings) {
    out += file + ":" + std::to_string(finding.line) + ": ";
    if (!finding.section.empty()) out += "[" + finding.section + "] ";
    if (!finding.key.empty()) out += finding.key + ": ";
    out += std::string(SeverityName(finding.severity)) + ": " + finding.text + "\n";
    if (!finding.message.empty())
      out += "    the updater shows: " + OneLine(Utf8ToAnsi(finding.message)) + "\n";
    (finding.severity == Severity::kError ? errors : warnings) += 1;
  }
  if (!result.findings.empty()) {
    out += std::to_string(errors) + (errors == 1 ? " error, " : " errors, ") +
           std::to_string(warnings) + (warnings == 1 ? " warning\n" : " warnings\n");
  }
  return out;
}

std::string FormatFindingsJson(const CheckResult& result, const std::string& file) {
  std::string out;
  for (const Finding& finding : result.findings) {
    nlohmann::ordered_json line = {
        {"file", AnsiToUtf8(file)},
        {"line", finding.line},
        {"section", AnsiToUtf8(finding.section)},
        {"key", AnsiToUtf8(finding.key)},
        {"severity", SeverityName(finding.severity)},
        {"text", AnsiToUtf8(finding.text)},
        {"message", finding.message},
    };
    out += line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  }
  return out;
}

std::string FormatPlan(const CheckResult& result, const std::string& file) {
  std::string out = "Plan of " + file + "\n";
  PlanSteps(result.plan, 0, out);
  return out;
}
