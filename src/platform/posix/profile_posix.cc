// The profile functions on Linux: the portable INI reader over a parsed copy of each file.

#include "platform/profile.h"

#include <map>
#include <string>

#include "platform/posix/cached_file.h"
#include "platform/posix/system_path.h"
#include "standins/ini_file.h"

namespace {

// The file as it now reads. A missing or unreadable file reads as an absent one, as on
// Windows.
const IniFile& Load(const char* path) {
  static std::map<std::string, CachedFile<IniFile>> files;
  static const IniFile kAbsent;
  const std::string system_path = ToSystemPath(path);
  const IniFile* ini =
      files[system_path].Get(system_path, [](const std::string& bytes, IniFile* parsed) {
        *parsed = IniFile(bytes);
        return true;
      });
  return ini ? *ini : kAbsent;
}

}  // namespace

unsigned ReadProfileString(const char* section, const char* key, const char* default_value,
                           char* buffer, unsigned size, const char* path) {
  return Load(path).ReadString(section, key, default_value, buffer, size);
}

unsigned ReadProfileSection(const char* section, char* buffer, unsigned size, const char* path) {
  return Load(path).ReadSection(section, buffer, size);
}
