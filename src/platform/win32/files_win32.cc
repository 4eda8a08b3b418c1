#include "platform/files.h"

#include <windows.h>

FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern, &data);
  if (search == INVALID_HANDLE_VALUE) return nullptr;
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
  return reinterpret_cast<FileSearchHandle>(search);
}

bool FindNextEntry(FileSearchHandle search, FoundEntry* entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(search), &data)) return false;
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
  return true;
}

void FindCloseSearch(FileSearchHandle search) { FindClose(reinterpret_cast<HANDLE>(search)); }

uint32_t GetPathAttributes(const char* path) { return GetFileAttributesA(path); }

bool CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

namespace {

bool HasAttribute(const char* path, DWORD bits) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & bits);
}

// A console's Ctrl-C, Ctrl-Break or close during a copy stops it; the copying thread then
// removes the half-written target and ends the program as the default handler would.
volatile LONG copying = 0;
BOOL cancel_copy = FALSE;

BOOL WINAPI OnConsoleControl(DWORD) {
  if (InterlockedCompareExchange(&copying, 0, 0) == 0) return FALSE;  // nothing to clean up
  InterlockedExchange(reinterpret_cast<volatile LONG*>(&cancel_copy), TRUE);
  Sleep(INFINITE);  // the copying thread ends the process
  return TRUE;
}

void WatchConsoleOnce() {
  static bool watching = false;
  if (!watching) watching = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

}  // namespace

bool CopyFileTo(const char* source, const char* target) {
  // Wine running as root overwrites a read-only target, which Windows refuses.
  if (HasAttribute(target, FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  WatchConsoleOnce();
  // What the target was, to tell after a stop whether the copy had begun writing it.
  WIN32_FILE_ATTRIBUTE_DATA before = {};
  bool existed = GetFileAttributesExA(target, GetFileExInfoStandard, &before) != 0;
  InterlockedExchange(&copying, 1);
  // CopyFileA with a way to stop it.
  bool copied = CopyFileExA(source, target, nullptr, nullptr, &cancel_copy, 0) != 0;
  DWORD error = GetLastError();
  InterlockedExchange(&copying, 0);
  if (InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&cancel_copy), 0, 0)) {
    WIN32_FILE_ATTRIBUTE_DATA after = {};
    bool untouched = existed && GetFileAttributesExA(target, GetFileExInfoStandard, &after) &&
                     CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime) == 0 &&
                     before.nFileSizeLow == after.nFileSizeLow &&
                     before.nFileSizeHigh == after.nFileSizeHigh;
    if (!copied && !untouched) DeleteFileA(target);
    ExitProcess(STATUS_CONTROL_C_EXIT);
  }
  SetLastError(error);
  return copied;
}

bool MoveEntry(const char* source, const char* target, bool replace) {
  if (!replace || HasAttribute(source, FILE_ATTRIBUTE_DIRECTORY))
    return MoveFileA(source, target) != 0;
  if (HasAttribute(target, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool RemoveFolder(const char* path) { return RemoveDirectoryA(path) != 0; }

bool SetAttributes(const char* path, uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != 0;
}
