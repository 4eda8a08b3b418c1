#include "standins/shell_link.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

uint32_t U32At(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

ShellLink Sample() {
  ShellLink link;
  link.target_ansi = "C:\\Apps\\\x83\x5c\\tool.exe";  // code page 932: the 0x5C is no separator
  link.target = "C:\\Apps\\ソ\\tool.exe";
  link.working_folder = "C:\\Apps\\ソ";
  link.arguments = "-x \"日本 語\" \xF0\x9F\x98\x80";  // a character beyond 16 bits
  link.show_command = kShowMinNoActive;
  return link;
}

}  // namespace

TEST(ShellLinkTest, WrittenLayout) {
  std::string bytes = WriteShellLink(Sample());
  ASSERT_GE(bytes.size(), 0x4Cu + 0x24u);
  EXPECT_EQ(0x4Cu, U32At(bytes, 0));
  EXPECT_EQ(std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16),
            bytes.substr(4, 16));
  EXPECT_EQ(kLinkHasLinkInfo | kLinkHasWorkingDir | kLinkHasArguments | kLinkIsUnicode,
            U32At(bytes, 0x14));
  EXPECT_EQ(7u, U32At(bytes, 0x3C));
  // The link info: its size, a header with the Unicode offsets, a local path on a fixed
  // drive, the path in both forms.
  size_t info = 0x4C;
  uint32_t info_size = U32At(bytes, info);
  EXPECT_EQ(0x24u, U32At(bytes, info + 4));
  EXPECT_EQ(1u, U32At(bytes, info + 8));
  EXPECT_EQ(3u, U32At(bytes, info + U32At(bytes, info + 12) + 4));
  EXPECT_EQ(0u, U32At(bytes, info + 20));
  EXPECT_STREQ("C:\\Apps\\\x83\x5c\\tool.exe", bytes.c_str() + info + U32At(bytes, info + 16));
  EXPECT_EQ(std::string("C\0:\0\\\0", 6), bytes.substr(info + U32At(bytes, info + 28), 6));
  // Then the counted strings, without a NUL, and the terminal block.
  size_t strings = info + info_size;
  EXPECT_EQ(9u, static_cast<unsigned char>(bytes[strings]));
  EXPECT_EQ(std::string("\0\0\0\0", 4), bytes.substr(bytes.size() - 4));
}

// The Windows run of the LINK tests reads what the shell writes.
TEST(ShellLinkTest, ReadsWhatItWrites) {
  ShellLink read;
  ASSERT_TRUE(ReadShellLink(WriteShellLink(Sample()), &read));
  EXPECT_EQ(Sample().target_ansi, read.target_ansi);
  EXPECT_EQ(Sample().target, read.target);
  EXPECT_EQ(Sample().working_folder, read.working_folder);
  EXPECT_EQ(Sample().arguments, read.arguments);
  EXPECT_EQ(kShowMinNoActive, read.show_command);

  ShellLink empty;
  empty.target_ansi = empty.target = "tool.exe";
  // Only the arguments: they must not be read as the working folder.
  ShellLink only_arguments = empty;
  only_arguments.arguments = "-x";
  ASSERT_TRUE(ReadShellLink(WriteShellLink(only_arguments), &read));
  EXPECT_EQ("", read.working_folder);
  EXPECT_EQ("-x", read.arguments);
  ASSERT_TRUE(ReadShellLink(WriteShellLink(empty), &read));
  EXPECT_EQ(kLinkHasLinkInfo | kLinkIsUnicode, read.flags) << "empty strings are left out";
  EXPECT_EQ("", read.working_folder);
  EXPECT_EQ("", read.arguments);
  EXPECT_EQ(kShowNormal, read.show_command);
}

TEST(ShellLinkTest, MalformedBytesAreRefused) {
  ShellLink read;
  std::string bytes = WriteShellLink(Sample());
  // Cut anywhere before the end of the strings (the terminal block is not needed).
  for (size_t n = 0; n < bytes.size() - 4; ++n)
    EXPECT_FALSE(ReadShellLink(bytes.substr(0, n), &read)) << n;
  // Another class, a local path past the link info, a link info past the end, none at all.
  for (auto [at, value] : {std::pair{4, 0}, {0x4C + 16, 0xF0}, {0x4C, 0xFF}, {0x14, 0x01}}) {
    std::string bad = bytes;
    bad[at] = static_cast<char>(value);
    EXPECT_FALSE(ReadShellLink(bad, &read)) << at;
  }
}

