#include "platform/files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "foundation/wildcard.h"
#include "platform/posix/system_path.h"

namespace {

struct Search {
  std::vector<FoundEntry> entries;
  size_t next = 0;
};

uint32_t AttributesOf(const struct stat& st) {
  uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= kAttrReadOnly;
  return attributes ? attributes : kAttrNormal;
}

}  // namespace

FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry) {
  size_t cut = LastSeparator(pattern);
  std::string folder = cut == std::string::npos ? std::string() : std::string(pattern, cut);
  std::string item = cut == std::string::npos ? pattern : pattern + cut + 1;
  // Windows finds nothing for an empty last item ("C:\dir\").
  if (item.empty()) return nullptr;
  std::string system_folder = cut == std::string::npos ? "." : ToSystemPath(folder.c_str());
  if (system_folder.empty()) system_folder = "/";
  auto search = new Search;
  if (!HasWildcard(item.c_str())) {
    struct stat st;
    if (stat(ToSystemPath(pattern).c_str(), &st) == 0) {
      search->entries.push_back({item, AttributesOf(st)});
    }
  } else if (DIR* dir = opendir(system_folder.c_str())) {
    while (dirent* d = readdir(dir)) {
      if (!MatchesWildcard(d->d_name, item.c_str())) continue;
      struct stat st;
      std::string full = system_folder + "/" + d->d_name;
      if (stat(full.c_str(), &st) == 0) search->entries.push_back({d->d_name, AttributesOf(st)});
    }
    closedir(dir);
  }
  if (search->entries.empty()) {
    delete search;
    return nullptr;
  }
  *entry = search->entries[search->next++];
  return search;
}

bool FindNextEntry(FileSearchHandle handle, FoundEntry* entry) {
  auto search = static_cast<Search*>(handle);
  if (search->next >= search->entries.size()) return false;
  *entry = search->entries[search->next++];
  return true;
}

void FindCloseSearch(FileSearchHandle handle) { delete static_cast<Search*>(handle); }

uint32_t GetPathAttributes(const char* path) {
  struct stat st;
  if (stat(ToSystemPath(path).c_str(), &st) != 0) return kInvalidAttributes;
  return AttributesOf(st);
}
