#include "platform/processes.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <string>

// A DLL of the system folder, never one of the same name planted beside the program or in
// the current folder. Null when it does not load. Not in a header: only the tests use it.
HMODULE LoadSystemLibrary(const char* name);

namespace {

using EnumProcessModulesFunction = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
using GetModuleFileNameExFunction = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

// More than szExeFile holds: a path cut to fit could equal a shorter text.
constexpr DWORD kImagePathSize = 1024;

// The path of the process's main module. False when the process does not open, its
// modules cannot be listed or the path is cut.
bool ReadImagePath(DWORD id, EnumProcessModulesFunction enum_modules,
                   GetModuleFileNameExFunction module_file_name, char (&out)[kImagePathSize]) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
  if (!process) return false;
  HMODULE modules[1024];
  DWORD needed = 0;
  bool read = false;
  if (enum_modules(process, modules, sizeof modules, &needed) && needed >= sizeof(HMODULE)) {
    DWORD n = module_file_name(process, modules[0], out, kImagePathSize);
    read = n > 0 && n < kImagePathSize - 1;
  }
  CloseHandle(process);
  return read;
}

}  // namespace

HMODULE LoadSystemLibrary(const char* name) {
  // LOAD_LIBRARY_SEARCH_SYSTEM32 also keeps the DLL's own imports in the system folder, but
  // older systems refuse it; AddDllDirectory comes with it (Windows 8, or 7 with KB2533623).
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel && GetProcAddress(kernel, "AddDllDirectory")) {
    return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  char folder[MAX_PATH];
  UINT n = GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  std::string path(folder, n);
  if (path.back() != '\\') path += '\\';
  path += name;
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

uint32_t FindRunningProcess(const char* path) {
  if (!path || !*path) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;

  // The NT family's snapshot holds bare names: the full path comes from PSAPI.
  bool nt = IsWindowsNT();
  HMODULE psapi = nullptr;
  EnumProcessModulesFunction enum_modules = nullptr;
  GetModuleFileNameExFunction module_file_name = nullptr;
  if (nt) {
    psapi = LoadSystemLibrary("PSAPI.DLL");
    if (!psapi) {
      CloseHandle(snapshot);
      return 0;
    }
    enum_modules = reinterpret_cast<EnumProcessModulesFunction>(
        reinterpret_cast<void*>(GetProcAddress(psapi, "EnumProcessModules")));
    module_file_name = reinterpret_cast<GetModuleFileNameExFunction>(
        reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExA")));
    if (!enum_modules || !module_file_name) {
      FreeLibrary(psapi);
      CloseHandle(snapshot);
      return 0;
    }
  }

  DWORD self = GetCurrentProcessId();
  DWORD found = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == self) continue;
    char full_path[kImagePathSize];
    const char* image = entry.szExeFile;
    if (nt && ReadImagePath(entry.th32ProcessID, enum_modules, module_file_name, full_path)) {
      image = full_path;
    }
    if (lstrcmpiA(image, path) == 0) {
      found = entry.th32ProcessID;
      break;
    }
  }

  if (psapi) FreeLibrary(psapi);
  CloseHandle(snapshot);
  return found;
}

bool IsWindowsNT() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  // After a failure the zeroed platform id answers "not NT".
  GetVersionExA(&info);
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
