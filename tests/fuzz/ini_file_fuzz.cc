// Fuzz target for the INI reader: the input is the file, read under a double-byte code page
// and under UTF-8. The names asked for are those the file's own lines suggest, so that
// lookups find something; every answer goes to a buffer of exactly its size (the sanitizer
// sees any byte written past it) and a cut answer must begin the whole one.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/code_page.h"
#include "fuzz_input.h"
#include "standins/ini_file.h"

namespace {

constexpr size_t kMaxNames = 6;

// Section and key names taken from the lines: "[name]" and "name=".
void SuggestNames(std::string_view bytes, std::vector<std::string>* sections,
                  std::vector<std::string>* keys) {
  sections->push_back("");
  keys->push_back("");
  while (!bytes.empty()) {
    const size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
    const std::string line(bytes.substr(0, end));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    const size_t open = line.find('['), close = line.rfind(']'), equals = line.find('=');
    if (open != std::string::npos && close != std::string::npos && close > open) {
      if (sections->size() < kMaxNames) sections->push_back(line.substr(open + 1, close - open - 1));
    } else if (keys->size() < kMaxNames) {
      keys->push_back(line.substr(0, equals));
    }
  }
}

std::string StringAnswer(const IniFile& ini, const std::string& section, const std::string& key,
                         unsigned size) {
  // Zeroed: bytes a cut leaves unwritten then end the text.
  std::unique_ptr<char[]> buffer(new char[size ? size : 1]());
  const unsigned n = ini.ReadString(section.c_str(), key.c_str(), "default value", buffer.get(), size);
  if (size == 0) {
    FUZZ_CHECK(n == 0 && buffer[0] == '\0');
    return "";
  }
  FUZZ_CHECK(n <= size - 1);
  FUZZ_CHECK(buffer[n] == '\0');
  return std::string(buffer.get());
}

std::string SectionAnswer(const IniFile& ini, const std::string& section, unsigned size) {
  std::unique_ptr<char[]> buffer(new char[size]());
  const unsigned n = ini.ReadSection(section.c_str(), buffer.get(), size);
  if (size == 1) {
    FUZZ_CHECK(n == 0 && buffer[0] == '\0');
    return "";
  }
  FUZZ_CHECK(n <= size - 2 && buffer[n] == '\0' && buffer[n + 1] == '\0');
  return std::string(buffer.get(), n);
}

bool Begins(const std::string& whole, const std::string& part) {
  return whole.compare(0, part.size(), part) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> sections, keys;
  SuggestNames(bytes, &sections, &keys);
  // The sizes of the cut answers follow from the input, so that each size meets each file.
  const unsigned cut = size == 0 ? 3 : 2 + data[size / 2] % 40;
  // Room for any answer: a byte of the file gives at most three of UTF-8.
  const unsigned whole = static_cast<unsigned>(3 * size + 64);
  for (unsigned code_page : {932u, 65001u}) {
    SetCodePage(code_page);
    const IniFile ini(bytes);
    for (const std::string& section : sections) {
      const std::string lines = SectionAnswer(ini, section, whole);
      FUZZ_CHECK(Begins(lines, SectionAnswer(ini, section, cut)));
      (void)SectionAnswer(ini, section, 1);
      for (const std::string& key : keys) {
        const std::string value = StringAnswer(ini, section, key, whole);
        FUZZ_CHECK(Begins(value, StringAnswer(ini, section, key, cut)));
        (void)StringAnswer(ini, section, key, 0);
        (void)StringAnswer(ini, section, key, 1);
      }
    }
  }
  return 0;
}
