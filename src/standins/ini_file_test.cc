#include "standins/ini_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "foundation/code_page.h"
#include "platform/code_page.h"

using namespace std::string_literals;

namespace {

// "returned value|text up to the first NUL"; the buffer starts as "#" bytes.
std::string Get(const IniFile& ini, const char* section, const char* key, unsigned size = 32767,
                const char* default_value = "-") {
  std::string buffer(size + 1, '#');
  unsigned ret = ini.ReadString(section, key, default_value, buffer.data(), size);
  return std::to_string(ret) + "|" + buffer.c_str();
}

// "returned value|the first returned value + 2 bytes of the buffer".
std::string Lines(const IniFile& ini, const char* section, unsigned size = 32767) {
  std::string buffer(size, '#');
  unsigned ret = ini.ReadSection(section, buffer.data(), size);
  return std::to_string(ret) + "|" + buffer.substr(0, std::min<size_t>(size, ret + 2));
}

std::string Utf16(const std::u16string& text, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t c : text) {
    char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
    bytes += little ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

}  // namespace

TEST(IniFileTest, FindsSectionsAndKeys) {
  const IniFile ini(
      "top=0\n"
      "[Sec]\nkey=first\nKEY=second\n\x1A\t key2 \v= \f two \x1A\nbare\nbare=later\n;note=c\n"
      "[sec]\nonly=in the second\n"
      "[ spaced ]\nk=s\n"
      "[x]y] text after\nk=xy\n[open\nafter=open\n");
  EXPECT_EQ("1|0", Get(ini, "", "top"));  // lines before the first header
  EXPECT_EQ("5|first", Get(ini, "SEC", "Key"));
  EXPECT_EQ("3|two", Get(ini, " Sec\t",
                         "\x1A"
                         "key2 "));
  // A key without "=" answers the default, even with a later one of its name.
  EXPECT_EQ("1|-", Get(ini, "Sec", "bare"));
  EXPECT_EQ("1|c", Get(ini, "Sec", ";note"));
  // A section named again is never found.
  EXPECT_EQ("1|-", Get(ini, "sec", "only"));
  EXPECT_EQ("1|s", Get(ini, "spaced", "k"));
  EXPECT_EQ("2|xy", Get(ini, "x]y", "k"));
  EXPECT_EQ("4|open", Get(ini, "x]y", "after"));
  EXPECT_EQ("1|-", Get(ini, "nothing", "k"));
  EXPECT_EQ("1|-", Get(IniFile(), "", "k"));

  // Only ASCII letters fold: Cyrillic capitals are other names.
  const IniFile cyrillic("\xEF\xBB\xBF[c]\n\xD0\x96=1\n\xD0\xB6=2\n");
  EXPECT_EQ("1|2", Get(cyrillic, "c", Utf8ToAnsi("\xD0\xB6").c_str()));
}

// Thousands of sections, as scripts of many procedures have: each is found by its own
// name in any case, the first of a name wins however far apart the two stand, and names
// that differ only past a common prefix are told apart.
TEST(IniFileTest, ManySections) {
  std::string text = "lead=0\n";
  for (int i = 0; i < 5000; ++i) {
    text += "[Proc" + std::to_string(i) + "]\nMODE=m" + std::to_string(i) + "\n";
  }
  text += "[PROC7]\nMODE=late\nEXTRA=x\n[proc4999]\nMODE=late\n[Proc]\nMODE=bare\n";
  const IniFile ini(text);
  for (int i = 0; i < 5000; i += 7) {
    const std::string name = (i % 2 ? "PROC" : "proc") + std::to_string(i);
    const std::string value = "m" + std::to_string(i);
    EXPECT_EQ(std::to_string(value.size()) + "|" + value, Get(ini, name.c_str(), "mode")) << name;
  }
  EXPECT_EQ("2|m7", Get(ini, "Proc7", "MODE"));
  EXPECT_EQ("1|-", Get(ini, "Proc7", "EXTRA"));
  EXPECT_EQ("5|m4999", Get(ini, "Proc4999", "MODE"));
  EXPECT_EQ("4|bare", Get(ini, "proc", "MODE"));
  EXPECT_EQ("1|0", Get(ini, "", "lead"));
  EXPECT_EQ("1|-", Get(ini, "Proc5000", "MODE"));
  EXPECT_EQ("1|-", Get(ini, "Proc49999", "MODE"));
  EXPECT_EQ("8|MODE=m9\0\0#"s, Lines(ini, "proc9"));
  EXPECT_EQ("8|MODE=m7\0\0#"s, Lines(ini, "PROC7"));
}

TEST(IniFileTest, RemovesQuotesAndCutsValues) {
  const IniFile ini(
      "[q]\nd = \"abcdef\" \ns='ab'\nm=\"ab'\none=\"\nempty=\"\"\ninner=a\"b\"c\nplain=abcdef\n");
  EXPECT_EQ("2|ab", Get(ini, "q", "s"));
  EXPECT_EQ("4|\"ab'", Get(ini, "q", "m"));
  EXPECT_EQ("1|\"", Get(ini, "q", "one"));
  EXPECT_EQ("0|", Get(ini, "q", "empty"));
  EXPECT_EQ("5|a\"b\"c", Get(ini, "q", "inner"));
  // Cut to size - 1; a quoted value whose inner text is exactly that long loses one more.
  const char* quoted[] = {"0|#",    "0|",      "1|a",     "2|ab",     "3|abc",
                          "4|abcd", "5|abcde", "5|abcde", "6|abcdef", "6|abcdef"};
  for (unsigned size = 0; size < std::size(quoted); ++size) {
    EXPECT_EQ(quoted[size], Get(ini, "q", "d", size)) << size;
  }
  EXPECT_EQ("0|", Get(ini, "q", "empty", 1));
  EXPECT_EQ("5|abcde", Get(ini, "q", "plain", 6));
  EXPECT_EQ("6|abcdef", Get(ini, "q", "plain", 7));
  // The default loses its trailing spaces, but no other blanks, and its quotes.
  EXPECT_EQ("3|  d", Get(ini, "q", "none", 32767, "  d  "));
  EXPECT_EQ("3|t\t\x1A", Get(ini, "q", "none", 32767, "t\t\x1A"));
  EXPECT_EQ("1|q", Get(ini, "q", "none", 32767, "\"q\""));
  EXPECT_EQ("2|NO", Get(ini, "q", "none", 3, "NO_DATA"));
}

TEST(IniFileTest, ReadsSections) {
  const IniFile ini(
      "[s]\nkey = value \nbare\n;comment=1\n  ;indented\n=a\n=dropped\nk=\"q\"\n\n"
      "[e]\n\n;only a comment\n"
      "[t]\n\0\n=dropped too\n"s);
  const std::string all = "key=value\0bare\0=a\0k=\"q\"\0"s;
  EXPECT_EQ("24|" + all + "\0#"s, Lines(ini, "s"));
  EXPECT_EQ("24|" + all + "\0#"s, Lines(ini, "S", 26));
  // The name asked for is not trimmed.
  EXPECT_EQ("0|\0\0"s, Lines(ini, " s"));
  EXPECT_EQ("0|\0\0"s, Lines(ini, "e"));
  EXPECT_EQ("0|\0\0"s, Lines(ini, "absent"));
  EXPECT_EQ("0|\0\0"s, Lines(ini, "t"));
  EXPECT_EQ("1|-", Get(ini, "t", ""));
  // Cut at size - 2 bytes, even inside a line, and ended by two NULs.
  EXPECT_EQ("23|" + all.substr(0, 23) + "\0\0"s, Lines(ini, "s", 25));
  EXPECT_EQ("10|key=value\0\0\0"s, Lines(ini, "s", 12));
  EXPECT_EQ("1|k\0\0"s, Lines(ini, "s", 3));
  EXPECT_EQ("0|\0\0"s, Lines(ini, "s", 2));
  EXPECT_EQ("0|\0"s, Lines(ini, "s", 1));
}

TEST(IniFileTest, LineEndsAndNuls) {
  const IniFile ends("[a]\rk1=v1\r\nk2=v2\n\rk3=v3\r\r\n[b]\nk4=v4");
  for (const char* key : {"k1", "k2", "k3"}) {
    EXPECT_EQ("2|v" + std::string(1, key[1]), Get(ends, "a", key));
  }
  EXPECT_EQ("2|v4", Get(ends, "b", "k4"));
  // Blanks are trimmed before a NUL ends a name or value.
  const IniFile nuls("[a]\nk1=v \0x\nk2 \0x=1\nk3=\0v\n[b\0c]\nk=1\n"s);
  EXPECT_EQ("2|v ", Get(nuls, "a", "k1"));
  EXPECT_EQ("1|-", Get(nuls, "a", "k2"));
  EXPECT_EQ("0|", Get(nuls, "a", "k3"));
  EXPECT_EQ("1|1", Get(nuls, "b", "k"));
  EXPECT_EQ("16|k1=v \0k2 =1\0k3=\0\0#"s, Lines(nuls, "a"));
}

TEST(IniFileTest, Encodings) {
  const std::u16string text = u"[a]\r\nk = v\r\n[\u3042]\r\nj=\"\u3044\"\r\n";
  const std::string a = Utf8ToAnsi("\xE3\x81\x82"), i = Utf8ToAnsi("\xE3\x81\x84");
  for (const std::string& bytes :
       {"\xEF\xBB\xBF[a]\r\nk = v\r\n[\xE3\x81\x82]\r\nj=\"\xE3\x81\x84\"\r\n"s, Utf16(text, true),
        Utf16(text, false)}) {
    const IniFile ini(bytes);
    EXPECT_EQ("1|v", Get(ini, "a", "k"));
    EXPECT_EQ(std::to_string(i.size()) + "|" + i, Get(ini, a.c_str(), "j"));
  }
  // Without a byte-order mark, UTF-16 is ANSI text full of NULs.
  EXPECT_EQ("1|-", Get(IniFile("[\0a\0]\0\n\0k\0=\0v\0"s), "a", "k"));

  // Bad UTF-8 decodes as Windows does: a bad second byte that continues is taken with the
  // lead byte, and a sequence cut by the end takes the rest of the text.
  const std::string bad = CodePage() == 65001 ? "\xEF\xBF\xBD" : "?";
  const IniFile utf8("\xEF\xBB\xBF[a]\nk1=x\xE3\x81y\nk2=x\xED\xA0\x80y\nk3=x\xF0\x9Fy");
  const std::string k1 = "x" + bad + "y", k2 = "x" + bad + bad + "y", k3 = "x" + bad;
  EXPECT_EQ(std::to_string(k1.size()) + "|" + k1, Get(utf8, "a", "k1"));
  EXPECT_EQ(std::to_string(k2.size()) + "|" + k2, Get(utf8, "a", "k2"));
  EXPECT_EQ(std::to_string(k3.size()) + "|" + k3, Get(utf8, "a", "k3"));
}

// Code page 932: the Windows build's tests run in it, the Linux build's in a Shift_JIS
// locale only.
TEST(IniFileTest, DoubleByteCodePage) {
  if (CodePage() != 932 || SystemCodePage() != 932) GTEST_SKIP() << "not code page 932";
  const IniFile ini(
      "[a]\nj=\x82\xA0\x82\xA2\x82\xA4\nq=\"\x82\xA0\x82\xA2\"\nk5=x\x82\nk6=v\n[\x81]\nin=a\n"
      "[x\x81]\nafter=x\n"
      "[b]\nodd=\x80\xA0\xFD\nbad=\x85\x40\ntail=x\x82");
  // Cut inside a character: whole characters only, the byte after them left as it was.
  EXPECT_EQ("3|\x82\xA0#", Get(ini, "a", "j", 4));
  EXPECT_EQ("2|\x82\xA0", Get(ini, "a", "j", 3));
  EXPECT_EQ("6|\x82\xA0\x82\xA2\x82\xA4", Get(ini, "a", "j", 7));
  EXPECT_EQ("3|\x82\xA0#", Get(ini, "a", "q", 4));
  // Section lines are cut by bytes.
  EXPECT_EQ("3|j=\x82\0\0"s, Lines(ini, "a", 5));
  // A lead byte takes the byte after it, even a line end or a "]".
  EXPECT_EQ("7|x\x81\x45k6=v", Get(ini, "a", "k5"));
  EXPECT_EQ("1|-", Get(ini, "a", "k6"));
  EXPECT_EQ("1|a", Get(ini, "a", "in"));
  EXPECT_EQ("1|x", Get(ini, "a", "after"));
  // Single bytes outside the usual tables come back unchanged; a pair without a character
  // and a lead byte at the end become the middle dot.
  EXPECT_EQ("3|\x80\xA0\xFD", Get(ini, "b", "odd"));
  EXPECT_EQ("2|\x81\x45", Get(ini, "b", "bad"));
  EXPECT_EQ("3|x\x81\x45", Get(ini, "b", "tail"));
  // A name passed with a lone lead byte at its end loses it.
  EXPECT_EQ("6|\x82\xA0\x82\xA2\x82\xA4", Get(ini, "a", "j\x82"));
}

// The outline lists every line that the reader keeps, with the line an editor shows.
TEST(IniFileTest, OutlineLines) {
  std::string text = "stray=1\r\n\r\n[A]\r\nk=v\r\n; note\r\nnovalue\n\n[b]\rx = 1\r[a]\nk=later\n";
  std::string shown;
  for (const IniFile::OutlineSection& section : IniFile(text).Outline()) {
    shown += "[" + section.name + "]" + std::to_string(section.line);
    for (const IniFile::OutlineKey& key : section.keys) {
      shown += " " + key.name + (key.has_value ? "=" : "") + std::to_string(key.line);
    }
    shown += "\n";
  }
  EXPECT_EQ(shown,
            "[]0 stray=1\n"
            "[A]3 k=4 ; note5 novalue6\n"
            "[b]8 x=9\n"
            "[a]10 k=11\n");
  EXPECT_TRUE(IniFile().Outline().empty());
}
