#ifndef UPDATER_PLATFORM_FILES_H_
#define UPDATER_PLATFORM_FILES_H_

#include <cstdint>
#include <string>

// Windows file attribute bits, used on both platforms.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

struct FoundEntry {
  std::string name;  // the entry's own name, no folder
  uint32_t attributes = 0;
};

using FileSearchHandle = void*;

// Starts a search for a path whose last item may hold the wildcards "*" and "?", and
// gives the first entry. Null when nothing matches. "." and ".." are returned like any
// entry when the pattern matches them.
FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry);
// The next entry; false when there is none left.
bool FindNextEntry(FileSearchHandle search, FoundEntry* entry);
void FindCloseSearch(FileSearchHandle search);

// The attributes of a path, kInvalidAttributes when it does not exist.
uint32_t GetPathAttributes(const char* path);

#endif  // UPDATER_PLATFORM_FILES_H_
