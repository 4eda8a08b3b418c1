#ifndef UPDATER_SCRIPT_CHECK_OUTPUT_H_
#define UPDATER_SCRIPT_CHECK_OUTPUT_H_

// What updater-check prints: the findings as text or JSON lines, and the plan.

#include <string>

#include "script/script_check.h"

// One finding a line: "file:line: [section] key: error: text", the updater's message on
// the next line; a count of errors and warnings ends the report. Nothing for no findings.
// Texts stay in the code page.
std::string FormatFindings(const CheckResult& result, const std::string& file);

// One JSON object a line: file, line, section, key, severity, text, message (UTF-8).
std::string FormatFindingsJson(const CheckResult& result, const std::string& file);

// The procedures in the order they would run, each with its expanded values; the branches
// of each SWITCH below it, indented.
std::string FormatPlan(const CheckResult& result, const std::string& file);

#endif  // UPDATER_SCRIPT_CHECK_OUTPUT_H_
