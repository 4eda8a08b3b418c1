// Fuzz target for the regedit-file reader: the input is the file, read under a double-byte
// code page and under UTF-8. The keys and values asked for are those its own lines name.
// A file read twice answers the same, a named key's parents exist, and the UTF-16
// conversion gives well-formed UTF-8.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/code_page.h"
#include "foundation/utf8.h"
#include "fuzz_input.h"
#include "standins/regedit_file.h"

namespace {

constexpr std::uintptr_t kRoots[] = {0x80000000, 0x80000001, 0x80000002, 0x80000003, 0x80000004};
constexpr size_t kMaxNames = 8;

// Paths after the root of "[root\path]" lines and names of "name"= lines, in the bytes as
// they are: a UTF-16 file's lines give none, which only asks fewer questions.
void SuggestNames(std::string_view text, std::vector<std::string>* paths,
                  std::vector<std::string>* names) {
  paths->push_back("");
  names->push_back("");
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    std::string line(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
    const size_t slash = line.find('\\'), close = line.rfind(']');
    if (!line.empty() && line[0] == '[' && slash != std::string::npos && close != std::string::npos &&
        close > slash && paths->size() < kMaxNames) {
      paths->push_back(line.substr(slash + 1, close - slash - 1));
    } else if (!line.empty() && line[0] == '"' && names->size() < kMaxNames) {
      names->push_back(line.substr(1, line.find('"', 1) - 1));
    }
  }
}

std::vector<std::pair<bool, const std::string*>> Answers(const RegeditFile& file,
                                                         const std::vector<std::string>& paths,
                                                         const std::vector<std::string>& names) {
  std::vector<std::pair<bool, const std::string*>> answers;
  for (std::uintptr_t root : kRoots) {
    for (const std::string& path : paths) {
      const bool has = file.HasKey(root, path);
      // A key's parents exist with it.
      const size_t parent = path.rfind('\\');
      if (has && parent != std::string::npos) FUZZ_CHECK(file.HasKey(root, path.substr(0, parent)));
      for (const std::string& name : names) {
        const std::string* value = file.FindValue(root, path, name);
        if (value) FUZZ_CHECK(has);
        answers.emplace_back(has, value);
      }
    }
  }
  return answers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> paths, names;
  SuggestNames(bytes, &paths, &names);
  for (unsigned code_page : {932u, 65001u}) {
    SetCodePage(code_page);
    RegeditFile file, again;
    const bool parsed = file.Parse(bytes);
    FUZZ_CHECK(again.Parse(bytes) == parsed);
    FUZZ_CHECK(file.HasKey(0x80000002, "") == parsed);
    const auto first = Answers(file, paths, names), second = Answers(again, paths, names);
    FUZZ_CHECK(first.size() == second.size());
    for (size_t i = 0; i < first.size(); ++i) {
      FUZZ_CHECK(first[i].first == second[i].first);
      FUZZ_CHECK((first[i].second == nullptr) == (second[i].second == nullptr));
      if (first[i].second) FUZZ_CHECK(*first[i].second == *second[i].second);
    }
  }
  const std::string utf8 = Utf16LeToUtf8(bytes);
  FUZZ_CHECK(SanitizeUtf8(utf8) == utf8);
  return 0;
}
