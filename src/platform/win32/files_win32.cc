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

}  // namespace

bool CopyFileTo(const char* source, const char* target) {
  // Wine running as root overwrites a read-only target, which Windows refuses.
  if (HasAttribute(target, FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return CopyFileA(source, target, FALSE) != 0;
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
