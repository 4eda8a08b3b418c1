// Prints every answer of the profile reader for INI files, one line each, in a stable
// escaped form, so that the Linux reader can be compared with the Windows functions.
//   ini_dump FILE...
// The names asked for come from a raw scan of each file's lines, with case and spacing
// variants, names that do not exist, and buffer sizes small enough to cut the answers.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/code_page.h"
#include "foundation/utf8.h"
#include "platform/code_page.h"
#include "platform/profile.h"

namespace {

constexpr unsigned char kFill = 0xCC;  // what the buffers hold before each call

std::string Escape(const char* data, size_t length) {
  std::string out;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(data[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (out.size() <= 300) return out;
  // Long answers: both ends and a checksum of the whole.
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < length; ++i)
    hash = (hash ^ static_cast<unsigned char>(data[i])) * 16777619u;
  char tail[64];
  std::snprintf(tail, sizeof tail, "...(%zu bytes, fnv %08X)...", length, hash);
  return out.substr(0, 100) + tail + out.substr(out.size() - 100);
}

std::string Quote(const std::string& name) { return "[" + Escape(name.data(), name.size()) + "]"; }

// One code point in the code page in use, the same on both platforms: a character the
// code page lacks is one "?", and one per UTF-16 unit past the BMP.
std::string ToAnsi(char32_t c) {
  if (c > 0xFFFF) return "??";
  std::string utf8;
  AppendUtf8(utf8, c);
  std::string ansi = Utf8ToAnsi(utf8);
  const bool lead = !ansi.empty() && IsLeadByte(static_cast<unsigned char>(ansi[0]));
  return ansi.size() == (lead ? 2u : 1u) ? ansi : "?";
}

// The file's text in the code page in use, as the raw scan sees it.
std::string DecodeFile(const std::string& bytes) {
  auto starts = [&](const char* bom, size_t n) { return bytes.compare(0, n, bom, n) == 0; };
  std::string ansi;
  if (starts("\xEF\xBB\xBF", 3)) {
    char32_t c;
    for (size_t pos = 3, n; (n = DecodeUtf8(bytes, pos, &c)) != 0; pos += n) ansi += ToAnsi(c);
    return ansi;
  }
  const bool little = starts("\xFF\xFE", 2);
  if (!little && !starts("\xFE\xFF", 2)) return bytes;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const unsigned char a = static_cast<unsigned char>(bytes[i]);
    const unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
    ansi += ToAnsi(little ? a | b << 8 : a << 8 | b);  // surrogates give "?" each
  }
  return ansi;
}

// The blanks the profile functions trim.
std::string TrimBlanks(const std::string& s) {
  static const char kBlanks[] = " \t\v\f\r\n\x1A";
  size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Names cannot be passed past a NUL.
std::string UpToNul(const std::string& s) { return s.substr(0, s.find('\0')); }

// ASCII letters only, stepping over double-byte characters.
std::string ChangeCase(const std::string& s, bool upper) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c) && i + 1 < out.size()) {
      ++i;
    } else if (upper && c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 32);
    } else if (!upper && c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    }
  }
  return out;
}

void AddUnique(std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names) {
    if (n == name) return;
  }
  names.push_back(name);
}

struct Section {
  std::string name;                // trimmed
  std::vector<std::string> forms;  // as written, with case and spacing variants
  std::vector<std::string> keys;   // trimmed names of its lines
};

std::vector<Section> Scan(const std::string& text) {
  std::vector<Section> sections(1);  // the lines before the first header
  size_t current = 0;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    std::string body = TrimBlanks(line);
    if (body.empty()) continue;
    if (body[0] == '[') {
      size_t close = body.rfind(']');
      const std::string inside = body.substr(1, close == std::string::npos ? close : close - 1);
      const std::string raw = UpToNul(inside);
      const std::string name = UpToNul(TrimBlanks(inside));
      current = 0;
      for (size_t i = 1; i < sections.size(); ++i) {
        if (sections[i].name == name) current = i;
      }
      if (current == 0) {
        Section s;
        s.name = name;
        for (const std::string& form : {name, raw, ChangeCase(name, true), ChangeCase(name, false),
                                        " " + name + " ", "\t" + name + "\t"}) {
          AddUnique(s.forms, form);
        }
        sections.push_back(s);
        current = sections.size() - 1;
      }
      if (close != std::string::npos) continue;
    }
    std::string raw = body.substr(0, body.find('='));
    AddUnique(sections[current].keys, UpToNul(TrimBlanks(raw)));
    AddUnique(sections[current].keys, UpToNul(raw));
  }
  return sections;
}

std::vector<char> buffer;

unsigned DumpValue(const std::string& section, const std::string& key, const char* default_value,
                   unsigned size, const char* path) {
  if (buffer.size() < size + 1) buffer.resize(size + 1);
  std::fill(buffer.begin(), buffer.end(), static_cast<char>(kFill));
  unsigned ret =
      ReadProfileString(section.c_str(), key.c_str(), default_value, buffer.data(), size, path);
  size_t length = 0;
  while (length < size && buffer[length] != '\0') ++length;
  std::printf("K %s %s n=%u -> %u '%s'%s\n", Quote(section).c_str(), Quote(key).c_str(), size, ret,
              Escape(buffer.data(), length).c_str(), length < size || size == 0 ? "" : " (no NUL)");
  return ret;
}

unsigned DumpSection(const std::string& section, unsigned size, const char* path) {
  if (buffer.size() < size + 1) buffer.resize(size + 1);
  std::fill(buffer.begin(), buffer.end(), static_cast<char>(kFill));
  unsigned ret = ReadProfileSection(section.c_str(), buffer.data(), size, path);
  size_t shown = ret + 2 < size ? ret + 2 : size;
  std::printf("S %s n=%u -> %u '%s'\n", Quote(section).c_str(), size, ret,
              Escape(buffer.data(), shown).c_str());
  return ret;
}

// The sizes around a full answer's length, where cutting starts.
std::vector<unsigned> SizesAround(unsigned length) {
  std::vector<unsigned> sizes;
  for (unsigned size = length > 2 ? length - 2 : 1; size <= length + 3; ++size)
    sizes.push_back(size);
  return sizes;
}

void DumpFile(const char* path) {
  const char* base = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  std::printf("== %s\n", base);
  // A missing file is asked for too.
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  if (in) bytes << in.rdbuf();
  std::vector<Section> sections = Scan(DecodeFile(bytes.str()));

  std::vector<std::string> all_keys;
  for (const Section& s : sections) {
    for (const std::string& k : s.keys) AddUnique(all_keys, k);
  }
  AddUnique(all_keys, "");
  AddUnique(all_keys, "no such key");
  // The lines before the first header, and a section that does not exist.
  sections[0].forms = {"", "no such section"};

  static const unsigned kValueSizes[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10,    11,
                                         12, 13, 14, 15, 16, 17, 20, 24, 32, 64, 32767, 70000};
  static const unsigned kSectionSizes[] = {1,  2,  3,  4,  5,  6,  7,  8,   9,     10,
                                           12, 16, 20, 24, 32, 48, 64, 100, 32767, 70000};
  std::vector<std::string> done;
  for (const Section& s : sections) {
    for (const std::string& form : s.forms) {
      bool seen = false;
      for (const std::string& d : done) seen = seen || d == form;
      if (seen) continue;
      done.push_back(form);
      const bool base = &form == &s.forms.front();
      if (!base) DumpSection(form, 32767, path);
      for (const std::string& key : all_keys) DumpValue(form, key, "NO_DATA", 32767, path);
      if (!base) continue;
      for (unsigned size : kSectionSizes) DumpSection(form, size, path);
      DumpSection(form + "\x82", 32767, path);  // a lone lead byte at the end
      DumpValue(form + "\x82", s.keys.empty() ? "" : s.keys.front(), "NO_DATA", 32767, path);
      unsigned full = DumpSection(form, 32767, path);
      for (unsigned size : SizesAround(full)) DumpSection(form, size, path);
      for (const std::string& key : s.keys) {
        for (unsigned size : kValueSizes) DumpValue(form, key, "NO_DATA", size, path);
        full = DumpValue(form, key, "NO_DATA", 32767, path);
        for (unsigned size : SizesAround(full)) DumpValue(form, key, "NO_DATA", size, path);
        for (const std::string& variant : {ChangeCase(key, true), ChangeCase(key, false),
                                           "  " + key + " ", "\t" + key, key + "\x82"}) {
          DumpValue(form, variant, "NO_DATA", 32767, path);
        }
      }
      for (unsigned size : {1u, 2u, 3u, 5u, 8u})
        DumpValue(form, "no such key", "NO_DATA", size, path);
      for (const char* default_value :
           {"  def  ", "\"q\"", "t\t\x1A\v", "", " \x82\xA0\x82\xA2 ", "d\x82", "\x81 x"}) {
        for (unsigned size : {1u, 2u, 4u, 32767u})
          DumpValue(form, "no such key", default_value, size, path);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) DumpFile(argv[i]);
  return 0;
}
