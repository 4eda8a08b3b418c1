#include "platform/files.h"

#include <windows.h>

FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern, &data);
  if (search == INVALID_HANDLE_VALUE) return nullptr;
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
  return search;
}

bool FindNextEntry(FileSearchHandle search, FoundEntry* entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(static_cast<HANDLE>(search), &data)) return false;
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
  return true;
}

void FindCloseSearch(FileSearchHandle search) { FindClose(static_cast<HANDLE>(search)); }

uint32_t GetPathAttributes(const char* path) { return GetFileAttributesA(path); }
