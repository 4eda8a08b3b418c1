#include "script/script_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "foundation/code_page.h"
#include "foundation/globals.h"
#include "platform/code_page.h"
#include "script/profile_values.h"
#include "script/show_box.h"
#include "script/symbols.h"
#include "testing/test_support.h"

// Reads scripts in a temporary folder through the platform's profile functions, and the
// error boxes from the unattended transcript.
class ScriptReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoxState();
    saved_settings_ = RunSettings;
    RunSettings.scriptPath = path_.c_str();
    RunSettings.title = "T";
  }
  void TearDown() override {
    RunSettings = saved_settings_;
    SymbolTable = SymbolTableData();
    ResetBoxState();
  }
  void Write(const std::string& script) { WriteWholeFile(dir_.File("script.ini"), script); }
  std::string Transcript() const { return ReadWholeFile(transcript_); }

  RunSettingsData saved_settings_;
  ScopedTempDir dir_;
  std::string path_ = CorePath(dir_.File("script.ini"));
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
  // The checks read the Japanese texts, whatever the language of the machine.
  ScopedEnvironment language_{"UPDATER_LANGUAGE", "ja"};
};

TEST_F(ScriptReaderTest, ReadProfileText) {
  Write("[P]\nMODE = COPY \nEMPTY=\nSENT1=No_Data\nSENT2=\"NO_DATA\"\nLONG=" +
        std::string(40000, 'x') + "\n");
  const char* path = path_.c_str();
  TextString out("old");
  EXPECT_TRUE(ReadProfileText(path, "p", "mode", out));
  EXPECT_STREQ("COPY", out.GetText());
  // Present but empty is present.
  EXPECT_TRUE(ReadProfileText(path, "P", "EMPTY", out));
  EXPECT_STREQ("", out.GetText());
  out = "old";
  // The sentinel in any case, quoted or not, counts as missing; out is left alone.
  for (const char* key : {"SENT1", "SENT2", "NONE"}) {
    EXPECT_FALSE(ReadProfileText(path, "P", key, out)) << key;
  }
  EXPECT_FALSE(ReadProfileText(path, "Q", "MODE", out));
  EXPECT_FALSE(ReadProfileText(CorePath(dir_.File("absent.ini")).c_str(), "P", "MODE", out));
  EXPECT_STREQ("old", out.GetText());
  EXPECT_TRUE(ReadProfileText(path, "P", "LONG", out));
  EXPECT_EQ(32766, out.GetLength());

  // A cut inside a double-byte character ends the text at the last whole one.
  if (CodePage() == 932 && SystemCodePage() == 932) {
    std::string wide = "a";
    for (int i = 0; i < 20000; ++i) wide += "\x82\xA0";
    Write("[P]\nWIDE=" + wide + "\n");
    EXPECT_TRUE(ReadProfileText(path, "P", "WIDE", out));
    EXPECT_EQ(wide.substr(0, 32765), out.GetText());
  }
}

TEST_F(ScriptReaderTest, ReadProfileInt) {
  Write("[N]\nA= 12abc\nB=0x10\nC=-7\nD=abc\nE=\nF=99999999999\nG=no_data\nH=+3 4\n");
  const char* path = path_.c_str();
  const std::pair<const char*, int32_t> cases[] = {{"A", 12}, {"B", 0},         {"C", -7}, {"D", 0},
                                                   {"E", 0},  {"F", INT32_MAX}, {"H", 3}};
  for (const auto& [key, expected] : cases) {
    int32_t value = 55;
    EXPECT_TRUE(ReadProfileInt(path, "N", key, value)) << key;
    EXPECT_EQ(expected, value) << key;
  }
  int32_t value = 55;
  EXPECT_FALSE(ReadProfileInt(path, "N", "G", value));
  EXPECT_FALSE(ReadProfileInt(path, "N", "Z", value));
  EXPECT_EQ(55, value);
}

TEST_F(ScriptReaderTest, ReadSectionLines) {
  Write("[DEFINE]\n;<Old>=x\n<A>=1\n  <B> = two words \n;skip\nplain\n[EMPTY]\n;only\n[Z]\n");
  const char* path = path_.c_str();
  TextString out("kept");
  EXPECT_EQ(3, ReadSectionLines(path, "define", out));
  EXPECT_STREQ("<A>=1\n<B>=two words\nplain", out.GetText());
  out = "kept";
  EXPECT_EQ(0, ReadSectionLines(path, "EMPTY", out));
  EXPECT_EQ(0, ReadSectionLines(path, "Z", out));
  EXPECT_EQ(0, ReadSectionLines(path, "ABSENT", out));
  EXPECT_STREQ("kept", out.GetText());

  // The lines are cut at 32,765 bytes together, in the middle of a line.
  std::string big = "[BIG]\n";
  for (int i = 0; i < 4000; ++i) big += "K" + std::to_string(10000 + i) + "=value\n";
  Write(big);
  EXPECT_EQ(2521, ReadSectionLines(path, "BIG", out));
  const std::string lines = out.GetText();
  EXPECT_EQ(32765u, lines.size());
  EXPECT_EQ(0u, lines.find("K10000=value\nK10001=value\n"));
  EXPECT_EQ("K12519=value\nK1252", lines.substr(lines.size() - 18));
}

TEST_F(ScriptReaderTest, ReadKeyShowsMessage2) {
  Write("[Proc A]\nMODE=COPY\nFROM=<Dir>\\x\nCOUNT= 4\n");
  SetSymbol("<Dir>", "C:\\D");
  TextString out("old");
  EXPECT_TRUE(ReadKey("Proc A", "FROM", out));
  EXPECT_STREQ("C:\\D\\x", out.GetText());
  int32_t count = 0;
  EXPECT_TRUE(ReadIntKey("Proc A", "COUNT", count));
  EXPECT_EQ(4, count);
  EXPECT_EQ("", Transcript());

  out = "old";
  EXPECT_FALSE(ReadKey("Proc A", "TO", out));
  EXPECT_STREQ("old", out.GetText());
  EXPECT_FALSE(ReadIntKey("Proc B", "ISWAIT", count));
  EXPECT_EQ(4, count);
  const std::string boxes = Transcript();
  EXPECT_EQ(2, std::count(boxes.begin(), boxes.end(), '\n'));
  EXPECT_NE(std::string::npos, boxes.find("\"style\": 16"));
  EXPECT_NE(std::string::npos,
            boxes.find("\xE3\x82\xBB\xE3\x82\xAF\xE3\x82\xB7\xE3\x83\xA7\xE3\x83\xB3"
                       "\xEF\xBC\x9A\\\"Proc A\\\"\\n"));  // セクション："Proc A"
  EXPECT_NE(std::string::npos, boxes.find("\\\"TO\\\""));
  EXPECT_NE(std::string::npos, boxes.find("\\\"Proc B\\\""));
  EXPECT_NE(std::string::npos, boxes.find("\\\"ISWAIT\\\""));
}

TEST_F(ScriptReaderTest, SeesTheFileChange) {
  const char* path = path_.c_str();
  TextString out;
  Write("[S]\nK=1\n");
  EXPECT_TRUE(ReadProfileText(path, "S", "K", out));
  EXPECT_STREQ("1", out.GetText());
  Write("[S]\nK=22\nJ=3\n");
  EXPECT_TRUE(ReadProfileText(path, "S", "K", out));
  EXPECT_STREQ("22", out.GetText());
  std::filesystem::remove(dir_.File("script.ini"));
  EXPECT_FALSE(ReadProfileText(path, "S", "K", out));
  Write("[S]\nK=4\n");
  EXPECT_TRUE(ReadProfileText(path, "S", "K", out));
  EXPECT_STREQ("4", out.GetText());
}
