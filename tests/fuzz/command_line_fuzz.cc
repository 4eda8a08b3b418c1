// Fuzz target for the command-line splitter and joiner: the input chooses a code page, a
// command line to split and a list of arguments, which joined and split again must come
// back as they were.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/code_page.h"
#include "foundation/command_line.h"
#include "fuzz_input.h"

namespace {

// The text without a lead byte that ends it alone: an argument is made of characters,
// and such a byte would take the separator after it for its second byte.
std::string WholeCharacters(std::string text) {
  size_t last = 0;
  for (size_t at = 0; at < text.size(); at += CharLength(text.c_str() + at)) last = at;
  if (last + 1 == text.size() && IsLeadByte(static_cast<unsigned char>(text[last]))) {
    text.pop_back();
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  SetCodePage(ChooseCodePage(in.Byte()));

  const std::string line = in.Text(120);
  const std::vector<std::string> split = SplitWindowsArguments(line.c_str());
  FUZZ_CHECK(!split.empty());
  size_t bytes = 0;
  for (const std::string& arg : split) bytes += arg.size();
  FUZZ_CHECK(bytes <= line.size());  // escapes only ever shrink
  const char* rest = SkipProgramName(line.c_str());
  FUZZ_CHECK(rest >= line.c_str() && rest <= line.c_str() + line.size());

  std::vector<std::string> arguments;
  for (int count = in.Byte() % 6; count > 0; --count) arguments.push_back(WholeCharacters(in.Text(16)));
  const std::string joined = JoinWindowsArguments(arguments);
  FUZZ_CHECK(std::strlen(joined.c_str()) == joined.size());
  const std::vector<std::string> back = SplitWindowsArguments(("program " + joined).c_str());
  std::vector<std::string> expected = {"program"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  FUZZ_CHECK(back == expected);
  return 0;
}
