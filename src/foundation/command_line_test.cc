#include "foundation/command_line.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

TEST(CommandLineTest, SkipProgramName) {
  EXPECT_STREQ("/tX /iy.ini", SkipProgramName("updater.exe /tX /iy.ini"));
  EXPECT_STREQ("/tX", SkipProgramName("\"C:\\My Apps\\updater.exe\"  \t/tX"));
  EXPECT_STREQ("a", SkipProgramName("\"C:\\x y\\u.exe\"a"));
  EXPECT_STREQ("", SkipProgramName("updater.exe"));
  EXPECT_STREQ("", SkipProgramName("\"unterminated"));
  EXPECT_STREQ("", SkipProgramName(""));
}

// Only "--version" alone asks for the version; everything else still runs a script.
TEST(CommandLineTest, IsVersionRequest) {
  for (const char* text : {"--version", "  --version", "--version \t", "\t--version\r\n"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(IsVersionRequest(text));
  }
  for (const char* text : {"", "-version", "--versio", "--versions", "--VERSION", "/version",
                           "\"--version\"", "--version /iu.ini", "/tX --version", "-v"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(IsVersionRequest(text));
  }
}

TEST(CommandLineTest, JoinWindowsArguments) {
  EXPECT_EQ("/iu.ini \"C:\\My Dir\"", JoinWindowsArguments({"/iu.ini", "C:\\My Dir"}));
  EXPECT_EQ("", JoinWindowsArguments({}));
  EXPECT_EQ("\"\" x", JoinWindowsArguments({"", "x"}));
  EXPECT_EQ("a\\\"b", JoinWindowsArguments({"a\"b"}));
  EXPECT_EQ("\"a b\\\\\"", JoinWindowsArguments({"a b\\"}));
  EXPECT_EQ("C:\\dir\\ \"x\\\\\\\"y z\"", JoinWindowsArguments({"C:\\dir\\", "x\\\"y z"}));
  EXPECT_EQ("\"tab\there\"", JoinWindowsArguments({"tab\there"}));
}

TEST(CommandLineTest, SplitWindowsArguments) {
  using Args = std::vector<std::string>;
  // The program name ends at its closing quote or the first blank, with no escapes.
  EXPECT_EQ(Args({"C:\\My Apps\\a.exe", "x"}), SplitWindowsArguments("\"C:\\My Apps\\a.exe\" x"));
  EXPECT_EQ(Args({"a\\\"b", "c\""}), SplitWindowsArguments("a\\\"b c\\\""));
  EXPECT_EQ(Args({"ab", "c"}), SplitWindowsArguments("\"ab\"c"));
  EXPECT_EQ(Args({""}), SplitWindowsArguments(""));
  // Blanks outside quotes separate; 2n backslashes before a quote give n, 2n+1 give n
  // and a quote; other backslashes are literal.
  EXPECT_EQ(Args({"p", "a b", "cd e", "", "x"}),
            SplitWindowsArguments("p \"a b\" c\"d e\" \"\" \tx "));
  EXPECT_EQ(Args({"p", "C:\\d\\", "a\"b", "a\\b c", "a\\\"b"}),
            SplitWindowsArguments("p C:\\d\\ a\\\"b \"a\\\\\"b\" c\" a\\\\\\\"b"));
  // Quotes in a row: two in a quoted part give one and close it (so the next quote opens
  // one again), two outside open and close one, three give one.
  EXPECT_EQ(Args({"p", "a\"b c"}), SplitWindowsArguments("p \"a\"\"b\" c"));
  EXPECT_EQ(Args({"p", "a\" b"}), SplitWindowsArguments("p \"a\"\"\" b\""));
  EXPECT_EQ(Args({"p", "\"", "x", "y"}), SplitWindowsArguments("p \"\"\" x\"\" y"));
}

TEST(CommandLineTest, SplitGivesBackWhatJoinQuoted) {
  const std::vector<std::string> samples[] = {
      {"", "x", ""},
      {"two words", "tab\there", "quote\"inside", "\"", "\"\"\""},
      {"C:\\dir\\", "C:\\My Dir\\", "\\\\server\\share", "x\\\"y z", "a\\\\\"b"},
  };
  for (const std::vector<std::string>& sample : samples) {
    std::vector<std::string> expected{"prog"};
    expected.insert(expected.end(), sample.begin(), sample.end());
    EXPECT_EQ(expected, SplitWindowsArguments(("prog " + JoinWindowsArguments(sample)).c_str()));
  }
}

// In a double-byte code page a character's second byte may be a backslash (0x5C, as in
// 0x95 0x5C): the splitter takes it with its character, so the joiner must not escape
// the quote or closing quote after it.
TEST(CommandLineTest, SplitGivesBackWhatJoinQuotedInDoubleByteText) {
  ScopedCodePage code_page(932);
  const std::string table = "\x95\x5C";
  const std::vector<std::string> sample = {table + "\"", "a " + table, table + "\\", table};
  std::vector<std::string> expected{"prog"};
  expected.insert(expected.end(), sample.begin(), sample.end());
  EXPECT_EQ(expected, SplitWindowsArguments(("prog " + JoinWindowsArguments(sample)).c_str()));
  EXPECT_EQ("\"a " + table + "\"", JoinWindowsArguments({"a " + table}));
}
