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

void ReportVersion(const std::string& line) {
  // A GUI-subsystem program has standard output only when its starter passed one (a
  // redirection, a pipe, Wine's console).
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) {
    std::string text = line + "\r\n";
    DWORD written = 0;
    if (WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return;
  }
  MessageBoxA(nullptr, line.c_str(), line.c_str(), MB_OK | MB_ICONINFORMATION);
}

void InitializeCom() { CoInitialize(nullptr); }
void UninitializeCom() { CoUninitialize(); }
