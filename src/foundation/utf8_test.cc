#include "foundation/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

TEST(Utf8Test, Utf16ToUtf8PairsSurrogatesAndReplacesUnpairedOnes) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"", ""},
      {u"a\u00e9\u65e5", "a\xC3\xA9\xE6\x97\xA5"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"\U0010FFFF\uFFFF", "\xF4\x8F\xBF\xBF\xEF\xBF\xBF"},
      {{0xD83D}, "\xEF\xBF\xBD"},                                  // high at the end
      {{0xD83D, 'x', 0xDE00}, "\xEF\xBF\xBDx\xEF\xBF\xBD"},        // high, then no low
      {{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},              // the pair reversed
      {{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},  // two highs, one low
      {{'a', 0, 'b'}, std::string("a\0b", 3)},
  };
  for (const auto& [utf16, utf8] : cases) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
  }
}

TEST(Utf8Test, AppendUtf16AndDecodeUtf16AreInverse) {
  const std::pair<char32_t, std::u16string> cases[] = {
      {U'a', u"a"},
      {0xFFFF, {0xFFFF}},
      {0x10000, {0xD800, 0xDC00}},
      {0x1F600, u"\U0001F600"},
      {0x10FFFF, {0xDBFF, 0xDFFF}},
  };
  for (const auto& [c, units] : cases) {
    SCOPED_TRACE(static_cast<uint32_t>(c));
    std::u16string out = u"<";
    AppendUtf16(out, c);
    EXPECT_EQ(out, u"<" + units);
    char32_t decoded = 0;
    EXPECT_EQ(DecodeUtf16(out, 1, &decoded), units.size());
    EXPECT_EQ(decoded, c);
  }
  for (char32_t bad : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}}) {
    std::u16string out;
    AppendUtf16(out, bad);
    EXPECT_EQ(out, u"\uFFFD") << static_cast<uint32_t>(bad);
  }
  char32_t c = 0;
  EXPECT_EQ(DecodeUtf16(u"ab", 2, &c), 0u);
}

TEST(Utf8Test, Utf8ToUtf16AndUtf16Length) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"", u""},
      {"abc", u"abc"},
      {"日本", u"日本"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xFF\xFE", u"\uFFFD\uFFFD"},            // each ill-formed byte is one unit
      {"\xE6\x97", u"\uFFFD\uFFFD"},            // a cut sequence too
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate is ill-formed
  };
  for (const auto& [utf8, utf16] : cases) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(Utf16Length(utf8), utf16.size());
  }
  const std::string well_formed = "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(well_formed)), well_formed);
}
