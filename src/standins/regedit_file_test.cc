#include "standins/regedit_file.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/registry.h"

namespace {

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

// A string value as stored: the text and its terminating NUL.
template <size_t N>
std::string Sz(const char (&text)[N]) {
  return std::string(text, N);
}

std::string Value(const RegeditFile& file, std::string_view path, std::string_view name,
                  std::uintptr_t root = kHkeyLocalMachine) {
  const std::string* value = file.FindValue(root, path, name);
  return value == nullptr ? "<none>" : *value;
}

}  // namespace

TEST(RegeditFileTest, Headers) {
  const std::string body = "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"Name\"=\"v\"\r\n";
  const std::string v5 = "Windows Registry Editor Version 5.00";
  const std::string v5_bom = "\xEF\xBB\xBFWindows Registry Editor Version 5.00";
  const std::string utf16 = "\xFF\xFE" + Utf16Le(std::u16string(v5.begin(), v5.end()) +
                                                 std::u16string(body.begin(), body.end()));
  RegeditFile file;
  for (const std::string& bytes :
       std::vector<std::string>{"REGEDIT4" + body, "\r\n\r\nREGEDIT4" + body,
                                "\xEF\xBB\xBFREGEDIT4" + body, v5 + body, v5_bom + body, utf16}) {
    ASSERT_TRUE(file.Parse(bytes)) << bytes;
    EXPECT_EQ(Value(file, "Software\\A", "Name"), Sz("v")) << bytes;
  }
  for (const char* bad : {"", "REGEDIT5", "; REGEDIT4"}) {
    EXPECT_FALSE(file.Parse(bad + body)) << bad;
    EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, ""));
    EXPECT_EQ(Value(file, "Software\\A", "Name"), "<none>");
  }
}

TEST(RegeditFileTest, KeysAndValues) {
  RegeditFile file;
  ASSERT_TRUE(
      file.Parse("REGEDIT4\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\App]\n"
                 "@=\"C:\\\\Program Files\\\\App\\\\\"\n"
                 "\"@\"=\"say \\\"hi\\\" \\n\"\n"
                 "; \"Comment\"=\"no\"\n"
                 "  \"Spaced\" = dword:0a0b0c0d  \n"
                 "\"Long\"=hex:01,02,\\\n"
                 "    ff,\\\n"
                 "  05\n"
                 "\"Expand\"=hex(2):25,41,25,00\n"
                 "\"Empty\"=hex:\n"
                 "\"BadDword\"=dword:123456789\n"
                 "\"BadHex\"=hex:1g\n"
                 "\"Unclosed\"=\"abc\n"
                 "\"Gone\"=\"x\"\n"
                 "\"Gone\"=-\n"
                 "\"twice\"=\"1\"\n"
                 "\"TWICE\"=\"2\"\n"
                 "[HKCU\\Software\\Vendor\\App]\n"
                 "\"User\"=\"u\"\n"
                 "[HKEY_NOWHERE\\Software\\Vendor\\App]\n"
                 "\"Lost\"=\"l\"\n"));

  const char* app = "SOFTWARE\\vendor\\app";  // any ASCII case
  EXPECT_EQ(Value(file, app, ""), Sz("C:\\Program Files\\App\\"));
  EXPECT_EQ(Value(file, app, "@"), Sz("say \"hi\" \\n"));
  EXPECT_EQ(Value(file, app, "spaced"), "\x0d\x0c\x0b\x0a");
  EXPECT_EQ(Value(file, app, "Long"), "\x01\x02\xff\x05");
  EXPECT_EQ(Value(file, app, "Expand"), Sz("%A%"));  // REGEDIT4 keeps the bytes
  EXPECT_EQ(Value(file, app, "Empty"), "");
  EXPECT_EQ(Value(file, app, "Twice"), Sz("2"));
  for (const char* none :
       {"; \"Comment\"", "BadDword", "BadHex", "Unclosed", "Gone", "User", "Lost"}) {
    EXPECT_EQ(Value(file, app, none), "<none>") << none;
  }
  EXPECT_EQ(Value(file, app, "User", kHkeyCurrentUser), Sz("u"));

  // Parents of listed keys exist, as they do in a registry.
  EXPECT_TRUE(file.HasKey(kHkeyLocalMachine, ""));
  EXPECT_TRUE(file.HasKey(kHkeyLocalMachine, "software\\VENDOR"));
  EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, "Software\\Vend"));
  EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, "Software\\Vendor\\App\\More"));
  EXPECT_FALSE(file.HasKey(0, ""));
}

TEST(RegeditFileTest, DeletedKeysTakeTheirSubkeys) {
  RegeditFile file;
  ASSERT_TRUE(
      file.Parse("REGEDIT4\n"
                 "[HKLM\\S\\A\\B]\n\"v\"=\"1\"\n"
                 "[HKLM\\S\\AB]\n\"v\"=\"2\"\n"
                 "[-HKLM\\s\\a]\n\"v\"=\"ignored\"\n"));
  EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, "S\\A"));
  EXPECT_EQ(Value(file, "S\\A\\B", "v"), "<none>");
  EXPECT_EQ(Value(file, "S\\AB", "v"), Sz("2"));
}

TEST(RegeditFileTest, Utf16) {
  RegeditFile file;
  ASSERT_TRUE(file.Parse("\xFF\xFE" + Utf16Le(u"Windows Registry Editor Version 5.00\r\n"
                                              u"[HKEY_LOCAL_MACHINE\\Software\\日本]\r\n"
                                              u"\"名前\"=\"値\"\r\n"
                                              u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                              u"\"Binary\"=hex:61,00\r\n")));
  const std::string key = "Software\\" + Utf8ToAnsi("日本");
  EXPECT_EQ(Value(file, key, Utf8ToAnsi("名前")), Utf8ToAnsi("値") + '\0');
  EXPECT_EQ(Value(file, key, "Multi"), Sz("a\0b\0"));
  EXPECT_EQ(Value(file, key, "Binary"), Sz("a"));

  EXPECT_EQ(Utf16LeToUtf8(Utf16Le(u"a\u00e9\u65e5\U0001F600")),
            "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16LeToUtf8(Utf16Le(std::u16string{0xD83D, 'x', 0xDE00})),
            "\xEF\xBF\xBDx\xEF\xBF\xBD");
  EXPECT_EQ(Utf16LeToUtf8(std::string("a\0b", 3)), "a");
}
