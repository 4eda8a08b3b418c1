#include "platform/profile.h"

#include <windows.h>

unsigned ReadProfileString(const char* section, const char* key, const char* default_value,
                           char* buffer, unsigned size, const char* path) {
  return GetPrivateProfileStringA(section, key, default_value, buffer, size, path);
}

unsigned ReadProfileSection(const char* section, char* buffer, unsigned size, const char* path) {
  // Wine writes before the buffer when size is 0.
  if (size == 0) return 0;
  return GetPrivateProfileSectionA(section, buffer, size, path);
}
