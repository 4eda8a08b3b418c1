#include "commands/files/paths.h"

#include "platform/files.h"

bool PathExists(const char* path) {
  FoundEntry entry;
  FileSearchHandle search = FindFirstEntry(path, &entry);
  if (!search) return false;
  FindCloseSearch(search);
  return true;
}

bool IsFolder(const char* path) {
  uint32_t attributes = GetPathAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kAttrDirectory);
}
