#include "platform/launch.h"

#include <windows.h>

#include <string>

bool LaunchCommandLine(const char* command_line, const char* folder, bool wait_for_end) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // CreateProcessA may write into the line it is given.
  std::string line = command_line;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                      &process)) {
    return false;
  }
  bool ok = true;
  if (wait_for_end) {
    ok = WaitForSingleObject(process.hProcess, INFINITE) != WAIT_FAILED;
  } else {
    // WAIT_FAILED here means the program has no message queue (a console program) and
    // never will be idle for input: it started all the same.
    WaitForInputIdle(process.hProcess, INFINITE);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ok;
}

void WaitForProcessEnd(uint32_t id, int32_t timeout) {
  // SYNCHRONIZE is all a wait needs; asking for more would fail for the processes of
  // other users and elevated ones, which then would not be waited for.
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
  if (!process) return;
  WaitForSingleObject(process, static_cast<DWORD>(timeout));
  CloseHandle(process);
}
