#include "platform/processes.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/command_line.h"
#include "testing/test_support.h"

// In processes_win32.cc.
HMODULE LoadSystemLibrary(const char* name);

namespace {

// The started programs' handles, by id.
std::map<uint32_t, HANDLE>& Started() {
  static std::map<uint32_t, HANDLE> started;
  return started;
}

std::string ModuleFolder(HMODULE module) {
  char path[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  std::string text(path, n < MAX_PATH ? n : 0);
  return text.substr(0, text.rfind('\\') == std::string::npos ? 0 : text.rfind('\\'));
}

std::string SystemDirectory() {
  char path[MAX_PATH] = "";
  UINT n = GetSystemDirectoryA(path, MAX_PATH);
  return std::string(path, n < MAX_PATH ? n : 0);
}

}  // namespace

uint32_t StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::string command_line = JoinWindowsArguments(words);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return 0;
  }
  CloseHandle(process.hThread);
  Started()[process.dwProcessId] = process.hProcess;
  return process.dwProcessId;
}

int WaitForProgram(uint32_t id) {
  auto it = Started().find(id);
  if (it == Started().end()) return -1;
  HANDLE process = it->second;
  Started().erase(it);
  DWORD code = 0;
  bool ended =
      WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return ended ? static_cast<int>(code) : -1;
}

void KillProgram(uint32_t id) {
  auto it = Started().find(id);
  if (it == Started().end()) return;
  TerminateProcess(it->second, 255);
  WaitForProgram(id);
}

TEST(ProcessesWin32Test, LoadsLibrariesFromTheSystemFolderOnly) {
  HMODULE psapi = LoadSystemLibrary("PSAPI.DLL");
  ASSERT_NE(psapi, nullptr);
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, ModuleFolder(psapi).c_str(), -1,
                           SystemDirectory().c_str(), -1),
            CSTR_EQUAL)
      << ModuleFolder(psapi) << " / " << SystemDirectory();
  FreeLibrary(psapi);

  // A DLL planted in the current folder is loaded by name, but never from there.
  ScopedTempDir dir;
  ASSERT_TRUE(CopyFileA((SystemDirectory() + "\\version.dll").c_str(),
                        dir.File("planted.dll").c_str(), FALSE));
  char old_folder[MAX_PATH] = "";
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, old_folder), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.path().string().c_str()));
  // In this order: a module already loaded is found by its name wherever it came from.
  HMODULE from_system = LoadSystemLibrary("planted.dll");
  HMODULE by_name = LoadLibraryA("planted.dll");
  SetCurrentDirectoryA(old_folder);
  EXPECT_NE(by_name, nullptr) << "the plant does not load: this check proves nothing";
  EXPECT_EQ(from_system, nullptr);
  if (by_name) FreeLibrary(by_name);
  if (from_system) FreeLibrary(from_system);
}
