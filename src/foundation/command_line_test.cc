#include "foundation/command_line.h"

#include <gtest/gtest.h>

TEST(CommandLineTest, SkipProgramName) {
  EXPECT_STREQ("/tX /iy.ini", SkipProgramName("updater.exe /tX /iy.ini"));
  EXPECT_STREQ("/tX", SkipProgramName("\"C:\\My Apps\\updater.exe\"  \t/tX"));
  EXPECT_STREQ("a", SkipProgramName("\"C:\\x y\\u.exe\"a"));
  EXPECT_STREQ("", SkipProgramName("updater.exe"));
  EXPECT_STREQ("", SkipProgramName("\"unterminated"));
  EXPECT_STREQ("", SkipProgramName(""));
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
