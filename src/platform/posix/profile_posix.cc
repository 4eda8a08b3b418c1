// The profile functions on Linux: the portable INI reader over a parsed copy of each file.

#include "platform/profile.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/posix/system_path.h"
#include "standins/ini_file.h"

namespace {

struct LoadedFile {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified = {};
  IniFile ini;
};

bool Unchanged(const LoadedFile& loaded, bool exists, const struct stat& st) {
  if (!exists || !loaded.exists) return exists == loaded.exists;
  return loaded.device == st.st_dev && loaded.inode == st.st_ino && loaded.size == st.st_size &&
         loaded.modified.tv_sec == st.st_mtim.tv_sec &&
         loaded.modified.tv_nsec == st.st_mtim.tv_nsec;
}

// The file as it now reads, parsed again only when it changed. A missing or unreadable
// file reads as an absent one, as on Windows.
const IniFile& Load(const char* path) {
  static std::map<std::string, LoadedFile> files;
  const std::string system_path = ToSystemPath(path);
  struct stat st;
  const bool exists = stat(system_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  auto found = files.find(system_path);
  if (found != files.end() && Unchanged(found->second, exists, st)) return found->second.ini;

  LoadedFile loaded;
  if (exists) {
    std::ifstream in(system_path, std::ios::binary);
    if (in) {
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      loaded.ini = IniFile(bytes);
    }
    loaded.exists = true;
    loaded.device = st.st_dev;
    loaded.inode = st.st_ino;
    loaded.size = st.st_size;
    loaded.modified = st.st_mtim;
  }
  return (files[system_path] = std::move(loaded)).ini;
}

}  // namespace

unsigned ReadProfileString(const char* section, const char* key, const char* default_value,
                           char* buffer, unsigned size, const char* path) {
  return Load(path).ReadString(section, key, default_value, buffer, size);
}

unsigned ReadProfileSection(const char* section, char* buffer, unsigned size, const char* path) {
  return Load(path).ReadSection(section, buffer, size);
}
