#include "foundation/regedit_file.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "platform/registry.h"

namespace {

constexpr const char* kAppPaths = "Software\\Vendor\\App Paths\\app.exe";

std::string Utf16Le(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

// The value's bytes, or "<none>".
std::string Value(const RegeditFile& file, std::string_view path, std::string_view name,
                  std::uintptr_t root = kHkeyLocalMachine) {
  const std::string* value = file.FindValue(root, path, name);
  return value == nullptr ? "<none>" : *value;
}

}  // namespace

TEST(RegeditFileTest, Headers) {
  const std::string body = "\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"Name\"=\"v\"\r\n";
  RegeditFile file;
  for (const std::string& header :
       {std::string("REGEDIT4"), std::string("Windows Registry Editor Version 5.00"),
        std::string("\xEF\xBB\xBFWindows Registry Editor Version 5.00"),
        std::string("\xEF\xBB\xBFREGEDIT4"), std::string("\r\n\r\nREGEDIT4")}) {
    SCOPED_TRACE(header);
    ASSERT_TRUE(file.Parse(header + body));
    EXPECT_EQ(Value(file, "Software\\A", "Name"), std::string("v", 2));
  }

  ASSERT_TRUE(file.Parse("\xFF\xFE" + Utf16Le(u"Windows Registry Editor Version 5.00\r\n"
                                              u"[HKEY_LOCAL_MACHINE\\Software\\A]\r\n"
                                              u"\"Name\"=\"v\"\r\n")));
  EXPECT_EQ(Value(file, "Software\\A", "Name"), std::string("v", 2));

  for (const std::string& bad :
       {std::string(""), std::string("REGEDIT5\n"),
        std::string("[HKEY_LOCAL_MACHINE\\Software\\A]\n"), std::string("; REGEDIT4\n")}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(file.Parse(bad + body));
    EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, ""));
    EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, "Software\\A"));
  }
}

TEST(RegeditFileTest, KeysAndNames) {
  RegeditFile file;
  ASSERT_TRUE(
      file.Parse("REGEDIT4\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\App Paths\\app.exe]\n"
                 "@=\"C:\\\\Program Files\\\\App\\\\app.exe\"\n"
                 "\"Path\"=\"C:\\\\Program Files\\\\App\\\\\"\n"
                 "\"@\"=\"at\"\n"
                 "; \"Comment\"=\"no\"\n"
                 "[HKCU\\Software\\Mine]\n"
                 "\"Path\"=\"user\"\n"
                 "[HKEY_NOWHERE\\Software\\Mine]\n"
                 "\"Path\"=\"lost\"\n"
                 "[hklm\\Software\\Mine]\n"
                 "  \"Spaced\" = \"s\"  \n"));

  EXPECT_EQ(Value(file, kAppPaths, ""), std::string("C:\\Program Files\\App\\app.exe", 29));
  EXPECT_EQ(Value(file, kAppPaths, "PATH"), std::string("C:\\Program Files\\App\\", 22));
  EXPECT_EQ(Value(file, kAppPaths, "@"), std::string("at", 3));
  EXPECT_EQ(Value(file, kAppPaths, "; \"Comment\""), "<none>");
  EXPECT_EQ(Value(file, "SOFTWARE\\vendor\\app paths\\APP.EXE", ""), Value(file, kAppPaths, ""));

  EXPECT_EQ(Value(file, "Software\\Mine", "Path", kHkeyCurrentUser), std::string("user", 5));
  EXPECT_EQ(Value(file, "Software\\Mine", "Path"), "<none>");
  EXPECT_EQ(Value(file, "Software\\Mine", "spaced"), std::string("s", 2));

  // Parents of listed keys exist, as they do in a registry; siblings and children do not.
  EXPECT_TRUE(file.HasKey(kHkeyLocalMachine, ""));
  EXPECT_TRUE(file.HasKey(kHkeyLocalMachine, "software\\VENDOR"));
  EXPECT_TRUE(file.HasKey(kHkeyLocalMachine, kAppPaths));
  EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, "Software\\Vend"));
  EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, std::string(kAppPaths) + "\\More"));
  EXPECT_FALSE(file.HasKey(kHkeyCurrentUser, kAppPaths));
  EXPECT_FALSE(file.HasKey(0, ""));
  EXPECT_EQ(Value(file, "Software\\Vendor", ""), "<none>");
}

TEST(RegeditFileTest, ValueData) {
  RegeditFile file;
  ASSERT_TRUE(
      file.Parse("REGEDIT4\n"
                 "[HKLM\\T]\n"
                 "\"Quotes\"=\"say \\\"hi\\\" \\\\ \\n\"\n"
                 "\"Dword\"=dword:0a0b0c0d\n"
                 "\"Short\"=DWORD:ff\n"
                 "\"Binary\"=hex:01,02,ff\n"
                 "\"Long\"=hex:01,02,\\\n"
                 "    03,04,\\\n"
                 "  05\n"
                 "\"After\"=\"a\"\n"
                 "\"Expand\"=hex(2):25,41,25,00\n"
                 "\"Empty\"=hex:\n"
                 "\"BadDword\"=dword:xyz\n"
                 "\"TooLong\"=dword:123456789\n"
                 "\"BadHex\"=hex:1g\n"
                 "\"Unclosed\"=\"abc\n"
                 "\"NoData\"=\n"
                 "\"Kept\"=\"1\"\n"
                 "\"Gone\"=\"x\"\n"
                 "\"Gone\"=-\n"
                 "\"kept\"=\"2\"\n"));

  EXPECT_EQ(Value(file, "T", "Quotes"), std::string("say \"hi\" \\ \\n", 14));
  EXPECT_EQ(Value(file, "T", "Dword"), "\x0d\x0c\x0b\x0a");
  EXPECT_EQ(Value(file, "T", "Short"), std::string("\xff\0\0\0", 4));
  EXPECT_EQ(Value(file, "T", "Binary"), "\x01\x02\xff");
  EXPECT_EQ(Value(file, "T", "Long"), "\x01\x02\x03\x04\x05");
  EXPECT_EQ(Value(file, "T", "After"), std::string("a", 2));
  EXPECT_EQ(Value(file, "T", "Expand"), std::string("%A%", 4));  // REGEDIT4 keeps the bytes
  EXPECT_EQ(Value(file, "T", "Empty"), "");
  for (const char* bad : {"BadDword", "TooLong", "BadHex", "Unclosed", "NoData", "Gone"}) {
    EXPECT_EQ(Value(file, "T", bad), "<none>") << bad;
  }
  EXPECT_EQ(Value(file, "T", "Kept"), std::string("2", 2));
}

TEST(RegeditFileTest, Version5TextsAreConverted) {
  RegeditFile file;
  ASSERT_TRUE(file.Parse("\xFF\xFE" + Utf16Le(u"Windows Registry Editor Version 5.00\r\n"
                                              u"\r\n"
                                              u"[HKEY_LOCAL_MACHINE\\Software\\日本]\r\n"
                                              u"\"名前\"=\"値\"\r\n"
                                              u"\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                              u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                                              u"\"Binary\"=hex:61,00\r\n")));
  const std::string key = "Software\\" + Utf8ToAnsi("日本");
  EXPECT_EQ(Value(file, key, Utf8ToAnsi("名前")), Utf8ToAnsi("値") + '\0');
  EXPECT_EQ(Value(file, key, "Expand"), std::string("%A%", 4));
  EXPECT_EQ(Value(file, key, "Multi"), std::string("a\0b\0\0", 5));
  EXPECT_EQ(Value(file, key, "Binary"), std::string("a", 2));
}

TEST(RegeditFileTest, DeletedKeysTakeTheirSubkeys) {
  RegeditFile file;
  ASSERT_TRUE(
      file.Parse("REGEDIT4\n"
                 "[HKLM\\S\\A]\n\"v\"=\"1\"\n"
                 "[HKLM\\S\\A\\B]\n\"v\"=\"2\"\n"
                 "[HKLM\\S\\AB]\n\"v\"=\"3\"\n"
                 "[HKLM\\S\\A C]\n\"v\"=\"4\"\n"
                 "[-HKLM\\s\\a]\n"
                 "\"v\"=\"ignored\"\n"
                 "[HKLM\\S\\AB]\n\"w\"=\"5\"\n"));
  EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, "S\\A"));
  EXPECT_FALSE(file.HasKey(kHkeyLocalMachine, "S\\A\\B"));
  EXPECT_EQ(Value(file, "S\\A", "v"), "<none>");
  EXPECT_EQ(Value(file, "S\\AB", "v"), std::string("3", 2));
  EXPECT_EQ(Value(file, "S\\AB", "w"), std::string("5", 2));
  EXPECT_EQ(Value(file, "S\\A C", "v"), std::string("4", 2));
}

TEST(RegeditFileTest, Utf16LeToUtf8) {
  EXPECT_EQ(Utf16LeToUtf8(Utf16Le(u"a\u00e9\u65e5")), "a\xC3\xA9\xE6\x97\xA5");
  EXPECT_EQ(Utf16LeToUtf8(Utf16Le(u"\U0001F600")), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16LeToUtf8(Utf16Le(std::u16string(1, 0xD83D) + u"x")), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16LeToUtf8(Utf16Le(std::u16string(1, 0xDE00))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16LeToUtf8(std::string("a\0b", 3)), "a");
}
