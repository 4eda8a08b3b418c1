#include "platform/posix/system_path.h"

#include <algorithm>

#include "foundation/code_page.h"

std::string ToSystemPath(const char* path) {
  std::string out;
  for (const char* p = path; *p; ++p) {
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      out += *p++;
      out += *p;
    } else {
      out += *p == '\\' ? '/' : *p;
    }
  }
  return out;
}

std::string FromSystemPath(const std::string& path) {
  std::string out = path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}
