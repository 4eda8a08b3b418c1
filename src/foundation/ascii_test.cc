#include "foundation/ascii.h"

#include <gtest/gtest.h>

#include <string>

static_assert(AsciiToLower('Q') == 'q' && AsciiToUpper(u'q') == u'Q' && HexDigitValue('f') == 15);

TEST(AsciiTest, OnlyAsciiLettersFold) {
  // Every byte and the units a locale-aware function might fold: Latin-1 capitals, the
  // fullwidth letters, the Turkish dotless i and dotted I.
  for (int c = 0; c < 256; ++c) {
    const char byte = static_cast<char>(c);
    const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z';
    EXPECT_EQ(AsciiToLower(byte), upper ? static_cast<char>(c + 32) : byte) << c;
    EXPECT_EQ(AsciiToUpper(byte), lower ? static_cast<char>(c - 32) : byte) << c;
  }
  for (char16_t c : {u'\u00C0', u'\u00E0', u'\u0130', u'\u0131', u'\uFF21', u'\uFF41'}) {
    EXPECT_EQ(AsciiToLower(c), c) << static_cast<int>(c);
    EXPECT_EQ(AsciiToUpper(c), c) << static_cast<int>(c);
  }
  EXPECT_EQ(AsciiToLower(u'Z'), u'z');
  EXPECT_EQ(AsciiToUpper(u'a'), u'A');
}

TEST(AsciiTest, EqualFoldAndLowered) {
  EXPECT_TRUE(AsciiEqualFold("Software\\Vendor", "SOFTWARE\\vendor"));
  EXPECT_TRUE(AsciiEqualFold("", ""));
  EXPECT_FALSE(AsciiEqualFold("abc", "abcd"));
  EXPECT_FALSE(AsciiEqualFold("[", "{"));  // 0x5B and 0x7B differ by 0x20 but are no letters
  EXPECT_FALSE(AsciiEqualFold("@", "`"));
  EXPECT_FALSE(AsciiEqualFold("\xC9t\xC9", "\xE9t\xE9"));  // Latin-1 É and é
  EXPECT_TRUE(AsciiEqualFold(u"Section", u"sECTION"));
  EXPECT_FALSE(AsciiEqualFold(u"\u00C9", u"\u00E9"));
  EXPECT_TRUE(AsciiEqualFold(std::string("a\0B", 3), std::string("A\0b", 3)));

  EXPECT_EQ(AsciiLowered("MiXeD [@] \xC9"), "mixed [@] \xC9");
  EXPECT_EQ(AsciiLowered(u"\uFF21BC"), u"\uFF21bc");
}

TEST(AsciiTest, HexDigitValue) {
  const std::string digits = "0123456789abcdefABCDEF";
  for (size_t i = 0; i < digits.size(); ++i) {
    EXPECT_EQ(HexDigitValue(digits[i]), i < 16 ? static_cast<int>(i) : static_cast<int>(i) - 6)
        << digits[i];
  }
  for (char c : {'/', ':', '@', 'G', '`', 'g', ' ', '\0', '\xB0'}) {
    EXPECT_EQ(HexDigitValue(c), -1) << static_cast<int>(c);
  }
}
