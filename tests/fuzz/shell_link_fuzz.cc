// Fuzz target for the shortcut writer and reader. The input is read as a shortcut; and it
// chooses the fields of a shortcut, which written and read back must give what was written,
// in the forms the format keeps (UTF-16, counts of 16 bits, texts ending at a NUL).

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/utf8.h"
#include "fuzz_input.h"
#include "standins/shell_link.h"

namespace {

std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

// A counted string as stored: UTF-16, at most 0xFFFF units, final NULs dropped by the reader.
std::string Counted(const std::string& utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  if (text.size() > 0xFFFF) text.resize(0xFFFF);
  while (!text.empty() && text.back() == 0) text.pop_back();
  return Utf16ToUtf8(text);
}

std::string Terminated(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return Utf16ToUtf8(text.substr(0, text.find(u'\0')));
}

void CheckRoundTrip(const ShellLink& link) {
  const std::string bytes = WriteShellLink(link);
  ShellLink read;
  FUZZ_CHECK(ReadShellLink(bytes, &read));
  FUZZ_CHECK(read.target_ansi == UpToNul(link.target_ansi));
  FUZZ_CHECK(read.target == Terminated(link.target));
  FUZZ_CHECK(read.working_folder == Counted(link.working_folder));
  FUZZ_CHECK(read.arguments == Counted(link.arguments));
  FUZZ_CHECK(read.show_command == link.show_command);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ShellLink read;
  // What the reader takes from any file, the writer writes again.
  if (ReadShellLink(bytes, &read)) CheckRoundTrip(read);

  FuzzInput in(data, size);
  ShellLink link;
  link.show_command = in.Byte();
  link.target_ansi = in.Text(40);
  link.target = in.Text(80);
  link.working_folder = in.Text(80);
  link.arguments = std::string(in.Rest());
  CheckRoundTrip(link);
  return 0;
}
