#include "foundation/wildcard.h"

#include <gtest/gtest.h>

#include "foundation/code_page.h"
#include "testing/test_support.h"

TEST(WildcardTest, WindowsMatching) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  // clang-format off
  const Case cases[] = {
      {"readme.txt", "*.txt", true},  {"README.TXT", "*.txt", true}, {"readme.txt", "READ*", true},
      {"readme.txt", "*.dat", false}, {"readme", "*.*", true},       {".", "*.*", true},
      {"readme", "readme.", true},    {"readme.txt", "readme.", false}, {"readme", "*.", true},
      {"a.b", "?.?", true},           {"ab.b", "?.?", false},        {"a", "a?", false},
      {"abcabd", "*abd", true},       {"abcab", "*ab*c", false},     {"a.tar.gz", "*.gz", true},
      {"ab", "a**b", true},           {"x", "", false},              {"[a]", "[a]", true},
      {"a", "[a]", false},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(c.match, MatchesWildcard(c.name, c.pattern)) << c.name << " " << c.pattern;
  }
  EXPECT_TRUE(HasWildcard("a*"));
  EXPECT_TRUE(HasWildcard("?"));
  EXPECT_FALSE(HasWildcard("a.txt"));
}

TEST(WildcardTest, DoubleByteCharacters) {
  ScopedCodePage cp932(932);
  // ア is 0x83 0x41 and チ 0x83 0x61: a second byte never folds as a letter.
  EXPECT_FALSE(MatchesWildcard("\x83\x41.txt", "\x83\x61.txt"));
  EXPECT_TRUE(MatchesWildcard("\x83\x41.TXT", "\x83\x41.txt"));
  // "?" takes a whole character; a "*" never resumes inside one.
  EXPECT_TRUE(MatchesWildcard("\x83\x41.txt", "?.txt"));
  EXPECT_FALSE(MatchesWildcard("\x83\x41.txt", "??.txt"));
  EXPECT_FALSE(
      MatchesWildcard("\x83\x5C"
                      "A",
                      "*\x5C"
                      "A"));
}
