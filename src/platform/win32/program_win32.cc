#include "platform/program.h"

#include <objbase.h>
#include <windows.h>

#include "foundation/command_line.h"

std::string CommandLineText(int, char**) { return SkipProgramName(GetCommandLineA()); }

std::string ProgramPath() {
  char buffer[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  // A cut path (n == MAX_PATH) is not NUL-terminated before Vista and names no file.
  if (n == 0 || n >= MAX_PATH) return std::string();
  return std::string(buffer, n);
}

bool ProgramNamesHaveExtensions() { return true; }

const char* PlatformName() { return "windows"; }

// A GUI program has no console to write to.
bool PrintUsage(const char*) { return false; }

void InitializeCom() { CoInitialize(nullptr); }
void UninitializeCom() { CoUninitialize(); }
