// updater-check: reads an update script as the updater would and reports every problem
// it finds, or prints the plan of the run. Shows no box, runs nothing, changes nothing.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "foundation/globals.h"
#include "script/check_output.h"
#include "script/script_check.h"

namespace {

constexpr char kUsage[] =
    "usage: updater-check [--json] [--plan] [--src FOLDER] [--args TEXT] SCRIPT\n"
    "  --json        one JSON object a finding\n"
    "  --plan        print the procedures in the order they would run instead\n"
    "  --src FOLDER  the folder <Src> names (default: the script's folder)\n"
    "  --args TEXT   the command line the updater would get, for {?Param}\n";

// A full path in the core's form: items separated by backslashes.
std::string CorePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(path, error);
  std::string text = (error ? std::filesystem::path(path) : full.lexically_normal()).string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  while (text.size() > 1 && text.back() == '\\') text.pop_back();
  return text;
}

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

}  // namespace

int main(int argc, char** argv) {
  bool json = false, plan = false;
  std::string script, src, args;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--json") == 0) {
      json = true;
    } else if (std::strcmp(arg, "--plan") == 0) {
      plan = true;
    } else if ((std::strcmp(arg, "--src") == 0 || std::strcmp(arg, "--args") == 0) &&
               i + 1 < argc) {
      (arg[2] == 's' ? src : args) = argv[++i];
    } else if (arg[0] == '-' && arg[1] == '-') {
      std::fputs(kUsage, stderr);
      return 1;
    } else if (script.empty()) {
      script = arg;
    } else {
      std::fputs(kUsage, stderr);
      return 1;
    }
  }
  if (script.empty()) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  RunSettings.scriptPath = CorePath(script).c_str();
  const std::string folder =
      src.empty() ? std::string(RunSettings.scriptPath.GetItems(0, -2, "\\").GetText())
                  : CorePath(src);
  // <Src> is the folder of the program's path; the updater would sit there.
  RunSettings.programPath = (folder + "\\updater.exe").c_str();
  RunSettings.commandLine = args.c_str();
  const CheckResult result = CheckScript();
  if (plan) {
    Print(FormatPlan(result, script));
    Print(FormatFindings(result, script));
  } else {
    Print(json ? FormatFindingsJson(result, script) : FormatFindings(result, script));
  }
  return result.Errors() == 0 ? 0 : 1;
}
