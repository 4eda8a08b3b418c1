#include "platform/folders.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

namespace {

// A length the call reports beyond its buffer means the buffer was not filled.
std::string Filled(const char* buffer, UINT length, UINT size) {
  return length == 0 || length >= size ? std::string() : std::string(buffer, length);
}

}  // namespace

std::string WindowsFolder() {
  char buffer[MAX_PATH] = "";
  return Filled(buffer, GetWindowsDirectoryA(buffer, MAX_PATH), MAX_PATH);
}

std::string SystemFolder() {
  char buffer[MAX_PATH] = "";
  return Filled(buffer, GetSystemDirectoryA(buffer, MAX_PATH), MAX_PATH);
}

std::string TempPath() {
  char buffer[MAX_PATH] = "";
  return Filled(buffer, GetTempPathA(256, buffer), 256);
}

bool SpecialFolder(unsigned csidl, std::string* out) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, static_cast<int>(csidl), &list)) || !list) {
    return false;
  }
  char buffer[MAX_PATH] = "";
  bool found = SHGetPathFromIDListA(list, buffer) != FALSE;
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(SHGetMalloc(&allocator))) {
    allocator->Free(list);
    allocator->Release();
  }
  // A folder outside the file system (the printers, the network) has no path: out stays.
  if (found) *out = buffer;
  return found;
}

bool RollbackFolder(std::string* out) {
  std::string local;
  if (!SpecialFolder(0x1C, &local)) return false;  // CSIDL_LOCAL_APPDATA
  *out = local + "\\Corvan Updater\\Rollback";
  return true;
}
