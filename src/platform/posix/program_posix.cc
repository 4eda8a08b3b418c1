#include "platform/program.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "foundation/command_line.h"

std::string CommandLineText(int argc, char** argv) {
  return JoinWindowsArguments(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
}

std::string ProgramPath() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  std::string path(buffer, n);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

bool ProgramNamesHaveExtensions() { return false; }

const char* PlatformName() { return "linux"; }

bool PrintUsage(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
  return true;
}

void ReportVersion(const std::string& line) { std::printf("%s\n", line.c_str()); }

void InitializeCom() {}
void UninitializeCom() {}
