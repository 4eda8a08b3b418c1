// Fuzz target for value expansion, through the function every script value passes: the
// input chooses a code page, a few symbols, the command line that {?Param} reads and the
// value to expand.

#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/code_page.h"
#include "foundation/globals.h"
#include "fuzz_input.h"
#include "script/symbols.h"

namespace {

std::string Without(std::string text, const char* bytes) {
  for (size_t at; (at = text.find_first_of(bytes)) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  SetCodePage(ChooseCodePage(in.Byte()));
  SymbolTable = SymbolTableData();
  // As DEFINE lines give them: one line each, no "=" in a name.
  for (int count = in.Byte() % 6; count > 0; --count) {
    const std::string name = "<" + Without(in.Text(8), "\n=") + ">";
    SetSymbol(name.c_str(), TextString(Without(in.Text(40), "\n").c_str()));
  }
  RunSettings.commandLine = in.Text(60).c_str();
  const std::string original(in.Rest());
  TextString value(original.c_str());
  ExpandValue(value);
  FUZZ_CHECK(value.GetText() != nullptr);
  FUZZ_CHECK(value.GetLength() <= kMaxExpandedValue);
  // Nothing to expand: the value stays as it was.
  if (original.find_first_of("<{") == std::string::npos &&
      original.find("\\..") == std::string::npos) {
    FUZZ_CHECK(std::strcmp(value.GetText(), original.c_str()) == 0);
  }
  return 0;
}
