#include "foundation/text_string.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "foundation/code_page.h"

// Texts in code page 932: 表 and ソ end in a backslash byte.
#define HYO "\x95\x5C"
#define SO "\x83\x5C"

class TextStringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = CodePage();
    SetCodePage(1252);
  }
  void TearDown() override { SetCodePage(saved_); }

  // Every unit joined by "|": shows the count and each unit at once.
  template <typename Get>
  static std::string Join(int32_t count, Get get) {
    std::string all;
    for (int32_t i = 0; i < count; ++i) all += (i > 0 ? "|" : "") + std::string(get(i).GetText());
    return all;
  }
  static std::string Items(const TextString& s, const char* sep) {
    return Join(s.CountItems(sep), [&](int32_t i) { return s.GetItem(i, sep); });
  }
  static std::string Words(const TextString& s) {
    return Join(s.CountWords(), [&](int32_t i) { return s.GetWord(i); });
  }
  static std::string Blocks(const TextString& s, const char* open, const char* close) {
    return Join(s.CountBlocks(open, close), [&](int32_t i) { return s.GetBlock(i, open, close); });
  }
  static std::string Trimmed(const char* text, const char* lead, const char* trail) {
    TextString s(text);
    s.Trim(lead, trail);
    return s.GetText();
  }

  unsigned saved_ = 0;
};

TEST_F(TextStringTest, Storage) {
  TextString empty;
  ASSERT_NE(nullptr, empty.GetText());
  EXPECT_STREQ("", empty.GetText());
  EXPECT_EQ(0, empty.CountItems(",") + empty.CountWords() + empty.CountBlocks("<", ">") +
                   empty.CountOccurrences("a"));

  TextString s;
  ASSERT_TRUE(s.Allocate(8));
  EXPECT_EQ(0, std::memcmp(s.GetText(), "\0\0\0\0\0\0\0\0", 8));
  std::memcpy(s.GetBuffer(), "abc", 3);
  EXPECT_TRUE(s.Compact());
  EXPECT_STREQ("abc", s.GetText());
  EXPECT_EQ('\0', s.GetAt(3));
  EXPECT_EQ(nullptr, s.GetPointerAt(4));
  ASSERT_TRUE(s.Allocate(0));
  EXPECT_STREQ("", s.GetText());

  // Without text the object reads as "" and assignment brings it back.
  EXPECT_FALSE(s.Allocate(-1));
  EXPECT_EQ(nullptr, s.GetText());
  EXPECT_EQ(0, s.CountItems(","));
  EXPECT_STREQ("x", (s + "x").GetText());
  s += "ab";
  EXPECT_STREQ("ab", s.GetText());

  TextString copy(s);
  copy.GetBuffer()[0] = 'x';
  EXPECT_STREQ("ab", s.GetText());
}

TEST_F(TextStringTest, Aliasing) {
  TextString s("abcdef");
  s = s.GetText() + 2;
  s = s;
  EXPECT_STREQ("cdef", s.GetText());
  s += s;
  s += s.GetText() + 6;
  EXPECT_STREQ("cdefcdefef", s.GetText());
  TextString t("ab");
  EXPECT_STREQ("abab", (t + t).GetText());
  EXPECT_STREQ("ab", t.GetText());
  t.ReplaceItem(0, ",", t.GetText());
  t.Format("%s-%s", t.GetText(), t.GetText());
  EXPECT_STREQ("ab-ab", t.GetText());
}

TEST_F(TextStringTest, EqualityFoldsAsciiLettersOnly) {
  EXPECT_TRUE(TextString("AND") == "and");
  EXPECT_FALSE(TextString("Error") != TextString("eRROR"));
  EXPECT_TRUE(TextString("a") != "ab");
  EXPECT_TRUE(TextString("[@") != "{`");      // One case bit apart, but no letters.
  EXPECT_TRUE(TextString("\xC4") != "\xE4");  // Latin-1 letters are not folded.
  SetCodePage(932);
  EXPECT_TRUE(TextString("\x83\x41") == "\x83\x61");  // Second bytes fold one by one.
}

TEST_F(TextStringTest, Items) {
  EXPECT_EQ("", Items("", ","));
  EXPECT_EQ("a||c", Items("a,,c", ","));
  EXPECT_EQ("a|b|", Items("a,b,", ","));
  EXPECT_EQ("|", Items(",", ","));
  EXPECT_EQ("a| b", Items("a, b", ","));  // Not trimmed.
  EXPECT_EQ("a|b|c", Items("a, b, c", ", "));
  EXPECT_EQ("a, b", Items("a, b", ""));
  TextString abc("a,b,c");
  EXPECT_STREQ("", abc.GetItem(5, ",").GetText());
  EXPECT_STREQ("c", abc.GetItem(-1, ",").GetText());
  EXPECT_STREQ("a,b", abc.GetItems(0, -2, ",").GetText());
  EXPECT_STREQ("b,c", abc.GetItems(1, 2, ",").GetText());
  EXPECT_STREQ("", abc.GetItems(2, 1, ",").GetText());
  EXPECT_STREQ("", TextString().GetItem(-1, ",").GetText());

  TextString path("C:\\App\\setup.exe");
  EXPECT_STREQ("C:\\App", path.GetItems(0, -2, "\\").GetText());
  path.ReplaceItems(-1, -1, ".", "ini");
  EXPECT_STREQ("C:\\App\\setup.ini", path.GetText());
  TextString plain("setup");
  EXPECT_STREQ("setup", plain.GetItems(0, -2, "\\").GetText());
  plain.ReplaceItems(-1, -1, ".", "ini");
  EXPECT_STREQ("ini", plain.GetText());
  TextString gaps("a,,c");
  gaps.ReplaceItem(1, ",", "b");
  gaps.ReplaceItem(5, ",", "Z");
  EXPECT_STREQ("a,b,c", gaps.GetText());
  TextString empty;
  empty.ReplaceItems(-1, -1, ",", "x");
  EXPECT_STREQ("", empty.GetText());
}

TEST_F(TextStringTest, Words) {
  EXPECT_EQ("a|b c|d", Words("a \"b c\" d"));
  EXPECT_EQ("-i|C:\\My Setup\\up.ini|-t|x", Words("-i \"C:\\My Setup\\up.ini\" -t x"));
  EXPECT_EQ("a||b", Words("a  b"));
  EXPECT_EQ("|a", Words(" a"));
  EXPECT_EQ("a|", Words("a \""));  // A lone quote.
  EXPECT_EQ("x|\"a b\"c", Words("x \"a b\"c"));
  EXPECT_EQ("a\tb", Words("a\tb"));  // Only the space separates.
  TextString s("a \"b c\" d");
  EXPECT_STREQ("d", s.GetWord(-1).GetText());
  EXPECT_STREQ("a \"b c\"", s.GetWords(0, 1).GetText());
  EXPECT_STREQ("\"x\" \"y\"", TextString("\"x\" \"y\"").GetWords(0, 1).GetText());
  EXPECT_STREQ("", s.GetWord(3).GetText());
  EXPECT_STREQ("", TextString().GetWord(-1).GetText());
  s.ReplaceWord(1, "X");
  EXPECT_STREQ("a \"X\" d", s.GetText());
  s.ReplaceWords(0, 1, "Z");
  EXPECT_STREQ("Z d", s.GetText());
}

TEST_F(TextStringTest, Blocks) {
  EXPECT_EQ("<Win>|<Sys>", Blocks("<Win>\\Fonts\\<Sys>", "<", ">"));
  EXPECT_EQ("{a{b}c}|{e}", Blocks("{a{b}c}d{e}", "{", "}"));
  EXPECT_EQ("<A>", Blocks("x<A>y<B", "<", ">"));
  EXPECT_EQ("", Blocks("<A<B>", "<", ">"));
  EXPECT_EQ("", Blocks("a><B>", "<", ">"));  // Depth -1 never returns to 0.
  EXPECT_EQ("{{a}}|{{c}}", Blocks("{{a}}b{{c}}", "{{", "}}"));
  EXPECT_EQ("", Blocks("{{a}}", "", "}}"));
  EXPECT_STREQ("", TextString("<A><B").GetBlock(1, "<", ">").GetText());
  EXPECT_STREQ("<A<B>", TextString("<A<B>").GetBlock(0, "<", ">").GetText());

  TextString path("<Win>\\Fonts\\<Sys>");
  EXPECT_STREQ("<Sys>", path.GetBlock(-1, "<", ">").GetText());
  EXPECT_STREQ(path.GetText(), path.GetBlocks(0, 1, "<", ">").GetText());
  path.ReplaceBlock(0, "<", ">", "C:\\WINDOWS");
  path.ReplaceBlock(3, "<", ">", "x");
  EXPECT_STREQ("C:\\WINDOWS\\Fonts\\<Sys>", path.GetText());
}

TEST_F(TextStringTest, Mid) {
  TextString s("abcdef");
  EXPECT_STREQ("bcd", s.Mid(1, 3).GetText());
  EXPECT_STREQ("ef", s.Mid(-2, -1).GetText());
  EXPECT_STREQ("ef", s.Mid(4, 100).GetText());
  EXPECT_STREQ("", s.Mid(10, 12).GetText());
  EXPECT_STREQ("ab", s.Mid(-10, 1).GetText());
  EXPECT_STREQ("", TextString().Mid(-1).GetText());
  s.ReplaceMid(1, 2, "X");
  s.ReplaceMid(-1, "Z");
  s.ReplaceMid(1, 0, "-");
  s.ReplaceMid(9, 10, "?");
  EXPECT_STREQ("a-XdeZ", s.GetText());
}

TEST_F(TextStringTest, Trim) {
  EXPECT_EQ("", Trimmed("   ", " ", " "));
  EXPECT_EQ("a b", Trimmed(" a b ", " ", " "));
  EXPECT_EQ("dir", Trimmed("\\\\dir\\\\", "\\", "\\"));
  EXPECT_EQ(" x ", Trimmed("abab x ab", "ab", "ab"));
  EXPECT_EQ("x", Trimmed("ABxaB", "ab", "ab"));
  EXPECT_EQ("xa", Trimmed("xax", "", "x"));
  EXPECT_EQ("a", Trimmed("aba", "ab", "ba"));  // The trail never reaches into the lead.
  // Byte-wise even on a double-byte code page: the second byte of 表 goes too.
  SetCodePage(932);
  EXPECT_EQ("C:\\\x95", Trimmed("C:\\" HYO "\\", "\\", "\\"));
}

TEST_F(TextStringTest, ReplaceAndCount) {
  TextString s("a%nb%n");
  EXPECT_TRUE(s.ReplaceAll("%n", "\n"));
  EXPECT_STREQ("a\nb\n", s.GetText());
  s = "ab";
  EXPECT_FALSE(s.ReplaceAll("%n", "\n"));
  EXPECT_FALSE(s.ReplaceAll("", "x"));
  EXPECT_STREQ("ab", s.GetText());
  s = "aabb";  // Searching again from the start finds the "ab" the first replacement made.
  EXPECT_TRUE(s.ReplaceAll("ab", ""));
  EXPECT_STREQ("", s.GetText());
  // One pass serves a replacement that cannot form the pattern: every occurrence of a
  // long text goes, the text between them stays.
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "x%n%";
  s = many.c_str();
  EXPECT_TRUE(s.ReplaceAll("%n", "\n"));
  std::string expected;
  for (int i = 0; i < 20000; ++i) expected += "x\n%";
  EXPECT_EQ(expected, s.GetText());
  s = "%%nn";  // after the inner "%n" goes, no "%n" is formed by the line feed
  EXPECT_TRUE(s.ReplaceAll("%n", "\n"));
  EXPECT_STREQ("%\nn", s.GetText());
  s = "a.b.";
  EXPECT_TRUE(s.ReplaceAll(".", "[.]"));
  EXPECT_STREQ("a[.]b[.]", s.GetText());

  TextString t("aaaa");
  EXPECT_EQ(2, t.CountOccurrences("aa"));
  EXPECT_EQ(0, t.CountOccurrences(""));
  EXPECT_TRUE(t.Contains("aaa"));
  EXPECT_FALSE(t.Contains("aaaaa"));
  EXPECT_TRUE(TextString("abc").StartsWith("ab"));
  EXPECT_FALSE(TextString("abc").StartsWith("bc"));
}

TEST_F(TextStringTest, Format) {
  TextString s;
  s.Format("%s=%d,%08X", "a", -5, 0x21u);
  EXPECT_STREQ("a=-5,00000021", s.GetText());
  s.Format("%s", std::string(2000, 'a').c_str());
  EXPECT_EQ(1023, s.GetLength());

  std::string ends_split = std::string(1022, 'a') + HYO;
  std::string ends_whole = std::string(1021, 'a') + HYO;
  s.Format("%s", ends_split.c_str());
  EXPECT_EQ(1023, s.GetLength());
  SetCodePage(932);
  s.Format("%s", ends_split.c_str());
  EXPECT_EQ(1022, s.GetLength());
  s.Format("%s", ends_whole.c_str());
  EXPECT_EQ(ends_whole, s.GetText());

  // The table's texts come in the system's code page.
  SetCodePage(saved_);
  s.FormatResource(12, "a", 0x21u);
  EXPECT_TRUE(s.Contains("\"a\"")) << s.GetText();
  EXPECT_TRUE(s.Contains("0x00000021")) << s.GetText();
  s.FormatResource(7);
  EXPECT_STREQ("", s.GetText());
}

TEST_F(TextStringTest, Conversions) {
  for (const char* zero : {"", "abc", " \t", "- 5", "0x10"}) {
    EXPECT_EQ(0, TextString(zero).ToInt()) << zero;
  }
  EXPECT_EQ(42, TextString(" 42x").ToInt());
  EXPECT_EQ(-17, TextString("\n-17").ToInt());
  EXPECT_EQ(5, TextString("+5").ToInt());
  EXPECT_EQ(INT_MIN, TextString("-2147483648").ToInt());
  EXPECT_EQ(INT_MAX, TextString("99999999999").ToInt());
  EXPECT_EQ(INT_MIN, TextString("-99999999999").ToInt());

  for (const char* hex : {"1A2B", "0x1a2b", " 1A2Bzz"}) {
    EXPECT_EQ(0x1A2Bu, TextString(hex).ToHex()) << hex;
  }
  EXPECT_EQ(0xFFFFFFFFu, TextString("ffffffff").ToHex());
  EXPECT_EQ(0xFFFFFFFFu, TextString("123456789").ToHex());
  EXPECT_EQ(0xFFFFFFF0u, TextString("-0x10").ToHex());
  for (const char* zero : {"", "xyz", "0x"}) {
    EXPECT_EQ(0u, TextString(zero).ToHex()) << zero;
  }
}

TEST_F(TextStringTest, DoubleByteSearches) {
  TextString path("C:\\" HYO "\\" SO "\\x");
  EXPECT_EQ(6, path.CountItems("\\"));  // Byte-wise, the second bytes separate too.
  SetCodePage(932);
  EXPECT_EQ("C:|" HYO "|" SO "|x", Items(path, "\\"));
  EXPECT_EQ(3, path.CountOccurrences("\\"));
  EXPECT_EQ("a\x81,b", Items("a\x81,b", ","));
  EXPECT_EQ("\x95 x", Words("\x95 x"));
  EXPECT_EQ("\x95\"a|b", Words("\x95\"a b"));  // No quote opens a group.
  EXPECT_EQ("\"\x95\"", Words("\"\x95\""));    // Nor closes one.
  EXPECT_EQ("<\x95<>", Blocks("<\x95<>", "<", ">"));
  EXPECT_EQ("{\x95{}", Blocks("{\x95{}x}", "{", "}"));
  TextString s(HYO);
  EXPECT_FALSE(s.ReplaceAll("\\", "/"));
  s = HYO "\\" SO;
  EXPECT_TRUE(s.ReplaceAll("\\", "/"));
  EXPECT_STREQ(HYO "/" SO, s.GetText());

  // A lone lead byte before the NUL: nothing past the NUL is searched.
  ASSERT_TRUE(s.Allocate(9));
  std::memcpy(s.GetBuffer(), "a\x95\0, \"<>", 8);
  EXPECT_EQ("a\x95", Items(s, ","));
  EXPECT_EQ("a\x95", Words(s));
  EXPECT_EQ("", Blocks(s, "<", ">"));
  EXPECT_FALSE(s.ReplaceAll(",", ";"));
}

TEST_F(TextStringTest, SplitItemsMatchesGetItem) {
  SetCodePage(932);
  // "\x95\x5C" is a character whose second byte is a backslash; "\x81," one ending in ",".
  for (const char* text : {"", ",", "a", "a,,b,", " a , b ", "x\x95\\,y\\z", "\x81,\x81,,c"}) {
    for (const char* sep : {",", "\\", ", "}) {
      TextString t(text);
      std::vector<TextString> items = SplitItems(t, sep);
      ASSERT_EQ(static_cast<size_t>(t.CountItems(sep)), items.size()) << text << " / " << sep;
      for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_STREQ(t.GetItem(static_cast<int32_t>(i), sep).GetText(), items[i].GetText())
            << text << " / " << sep << " / " << i;
      }
    }
  }
}

TEST_F(TextStringTest, SplitWordsMatchesGetWord) {
  SetCodePage(932);
  // "\x95\"" is a character whose second byte is a quote, "\x95 " one whose second byte
  // is a space.
  for (const char* text : {"", " ", "a", "a  b", " a ", "a \"b c\" d", "\"x\" \"y\"", "a \"",
                           "\"", "x \"a b\"c", "\"\x95\"", "\x95\"a b", "\x95 x y",
                           "\"a \"\"b c\" \"\"", "\"unclosed a b"}) {
    TextString t(text);
    std::vector<TextString> words = SplitWords(t);
    ASSERT_EQ(static_cast<size_t>(t.CountWords()), words.size()) << text;
    for (size_t i = 0; i < words.size(); ++i) {
      EXPECT_STREQ(t.GetWord(static_cast<int32_t>(i)).GetText(), words[i].GetText())
          << text << " / " << i;
    }
  }
}
