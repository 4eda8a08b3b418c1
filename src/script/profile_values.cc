#include "script/profile_values.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/profile.h"

namespace {

constexpr char kMissing[] = "NO_DATA";
constexpr unsigned kTextLimit = 32767;
constexpr unsigned kIntLimit = 260;
constexpr unsigned kSectionLimit = 32767;

}  // namespace

bool ReadProfileText(const char* path, const char* section, const char* key, TextString& out) {
  // Zeroed, so that bytes the profile function leaves unwritten when it cuts a value inside
  // a double-byte character end the text instead of showing what was there before.
  TextString value;
  if (!value.Allocate(kTextLimit)) return false;
  ReadProfileString(section, key, kMissing, value.GetBuffer(), kTextLimit, path);
  if (value == kMissing) return false;
  out = value.GetText();
  return true;
}

bool ReadProfileInt(const char* path, const char* section, const char* key, int32_t& out) {
  char text[kIntLimit] = {};
  ReadProfileString(section, key, kMissing, text, kIntLimit, path);
  TextString value(text);
  if (value == kMissing) return false;
  // A text that does not begin with a number reads 0.
  out = value.ToInt();
  return true;
}

int32_t ReadSectionLines(const char* path, const char* section, TextString& out) {
  // One byte more than the profile function may fill, so that the walk below always ends.
  std::vector<char> buffer(kSectionLimit + 1, '\0');
  ReadProfileSection(section, buffer.data(), kSectionLimit, path);
  // Joined in a std::string: appending to a TextString copies all of it every time.
  std::string lines;
  int32_t count = 0;
  const char* end = buffer.data() + buffer.size();
  for (const char* line = buffer.data(); line < end && *line != '\0';
       line += std::strlen(line) + 1) {
    if (line[0] == ';') continue;
    if (count > 0) lines += '\n';
    lines += line;
    ++count;
  }
  if (count > 0) out = lines.c_str();
  return count;
}

