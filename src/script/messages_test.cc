#include "script/messages.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "foundation/globals.h"
#include "platform/code_page.h"
#include "platform/string_table.h"
#include "script/show_box.h"
#include "testing/test_support.h"

namespace {

struct SourceMessage {
  unsigned id;
  const char* japanese;
  const char* english;
};

// The message source the program's string table is built from.
constexpr SourceMessage kSource[] = {
#define MESSAGE(id, japanese, english) {id, japanese, english},
#include "messages_table.inc"
#undef MESSAGE
};

}  // namespace

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoxState();
    RunSettings.title = "";
    RunSettings.defaultTitle = true;
  }
  void TearDown() override {
    ResetBoxState();
    RunSettings.title = "";
    RunSettings.defaultTitle = false;
  }
  std::string Transcript() const { return ReadWholeFile(transcript_); }

  ScopedTempDir dir_;
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
  // The checks read the Japanese texts, whatever the language of the machine.
  ScopedEnvironment language_{"UPDATER_LANGUAGE", "ja"};
};

// Both languages of every id come out of the built table as they were written, through
// the string-table resource on Windows.
TEST_F(MessagesTest, TableMatchesItsSource) {
  EXPECT_EQ(18u, std::size(kSource));  // 16 errors, one information and the default caption
  for (const SourceMessage& m : kSource) {
    EXPECT_EQ(m.japanese, LoadMessageText(m.id, MessageLanguage::kJapanese)) << m.id;
    EXPECT_EQ(m.english, LoadMessageText(m.id, MessageLanguage::kEnglish)) << m.id;
    char buffer[256];
    int length = LoadStringTemplate(m.id, buffer, sizeof buffer);
    EXPECT_GT(length, 0) << m.id;
    EXPECT_EQ(Utf8ToAnsi(m.japanese), buffer) << m.id;
  }
  for (unsigned missing : {0u, 7u, 19u, 99u, 101u}) {
    EXPECT_EQ("", LoadMessageText(missing, MessageLanguage::kJapanese)) << missing;
    EXPECT_EQ("", LoadMessageText(missing, MessageLanguage::kEnglish)) << missing;
  }
  char buffer[256] = "x";
  EXPECT_EQ(0, LoadStringTemplate(7, buffer, sizeof buffer));
  EXPECT_STREQ("", buffer);
  ScopedEnvironment english("UPDATER_LANGUAGE", "en");
  EXPECT_EQ(27, LoadStringTemplate(kMsgFileNotFound, buffer, sizeof buffer));
  EXPECT_STREQ("File not found.\n\nFile: \"%s\"", buffer);
}

// The Windows build's tests run with code page 932, where the second byte of 表 is a
// backslash: the path must reach the box and the transcript whole.
TEST_F(MessagesTest, FileNotFoundWithDoubleByteSecondByteBackslash) {
  if (const char* expected = std::getenv("UPDATER_EXPECT_CODE_PAGE")) {
    EXPECT_EQ(static_cast<unsigned>(std::atoi(expected)), SystemCodePage());
  }
  std::string path = Utf8ToAnsi("C:\\アプリ\\表\\update.ini");
  if (AnsiToUtf8(path) != "C:\\アプリ\\表\\update.ini") GTEST_SKIP() << "no such path here";
  if (SystemCodePage() == 932) {
    EXPECT_NE(std::string::npos, path.find("\x95\x5C\\update.ini"));
  }
  ShowMessage(kMsgFileNotFound, path.c_str());
  EXPECT_EQ(
      "{\"caption\": \"コルヴァン アップデータ\", \"style\": 16, \"text\": "
      "\"ファイルが見つかりません。\\n\\nファイル:：\\\"C:\\\\アプリ\\\\表\\\\update.ini\\\"\", "
      "\"answer\": 1}\n",
      Transcript());
  EXPECT_EQ(1, ProcessExitCode());
}

// English texts name the same values; the script's own texts (here the path) are kept.
TEST_F(MessagesTest, EnglishTextsAndCaption) {
  ScopedEnvironment english("UPDATER_LANGUAGE", "en");
  ShowMessage(kMsgFileNotFound, Utf8ToAnsi("C:\\ab\\update.ini").c_str());
  ShowMessage(kMsgAttributesFailed, "a.txt", 0x21u);
  RunSettings.title = "Patch";
  RunSettings.defaultTitle = false;
  ShowMessage(kMsgMoveFailed, "C:\\a", "C:\\b");
  EXPECT_EQ(
      "{\"caption\": \"Corvan Updater\", \"style\": 16, \"text\": "
      "\"File not found.\\n\\nFile: \\\"C:\\\\ab\\\\update.ini\\\"\", \"answer\": 1}\n"
      "{\"caption\": \"Corvan Updater\", \"style\": 16, \"text\": "
      "\"Could not change the file attributes.\\n\\nFile: \\\"a.txt\\\"\\nAttributes: "
      "0x00000021\", \"answer\": 1}\n"
      "{\"caption\": \"Patch\", \"style\": 16, \"text\": "
      "\"Could not move the file.\\n\\nFrom: \\\"C:\\\\a\\\"\\nTo: \\\"C:\\\\b\\\"\", "
      "\"answer\": 1}\n",
      Transcript());
}

TEST_F(MessagesTest, ArgumentsAndCaption) {
  RunSettings.title = "Patch";
  RunSettings.defaultTitle = false;
  ShowMessage(kMsgAttributesFailed, "a.txt", 0x21u);
  ShowMessage(kMsgShellFailed, "from", "to");
  ShowMessage(kMsgBadFormat, "UPDATER", "PROC");
  std::string transcript = Transcript();
  EXPECT_NE(std::string::npos, transcript.find("{\"caption\": \"Patch\", \"style\": 16, "));
  EXPECT_NE(std::string::npos, transcript.find("\\\"a.txt\\\"\\n属性：0x00000021\""));
  EXPECT_NE(std::string::npos,
            transcript.find("\"text\": \"ファイル操作を完了できませんでした。\", \"answer\": 1}"));
  EXPECT_EQ(std::string::npos, transcript.find("from"));
  EXPECT_NE(std::string::npos, transcript.find("セクション：\\\"UPDATER\\\"\\nパラメータ：\\\"PROC\\\""));
}

// A long message is cut where it was cut when it was formatted in the code page in use:
// at 1,023 bytes there, between whole characters of a double-byte code page.
TEST_F(MessagesTest, LongMessagesAreCutAsBefore) {
  for (const char* language : {"ja", "en"}) {
    ScopedEnvironment chosen("UPDATER_LANGUAGE", language);
    for (size_t length : {990u, 1000u, 1001u, 1002u, 1003u, 2000u}) {
      SCOPED_TRACE(std::string(language) + " " + std::to_string(length));
      std::string from = Utf8ToAnsi(std::string(length - 8, 'a') + "表表表表");
      std::string to = Utf8ToAnsi("C:\\表");
      TextString in_code_page;
      in_code_page.FormatResource(kMsgCopyFailed, from.c_str(), to.c_str());
      WriteWholeFile(transcript_, "");
      ShowMessage(kMsgCopyFailed, from.c_str(), to.c_str());
      std::string text = Transcript();
      text = text.substr(text.find("\"text\": \"") + 9);
      text = text.substr(0, text.find("\", \"answer\""));
      std::string shown;
      for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
          c = text[++i];
          if (c == 'n') c = '\n';
        }
        shown += c;
      }
      // Where the code page lacks the template's characters, they were question marks.
      std::string template_text = LoadMessageText(kMsgCopyFailed, UserMessageLanguage());
      if (AnsiToUtf8(Utf8ToAnsi(template_text)) == template_text) {
        EXPECT_EQ(AnsiToUtf8(in_code_page.GetText()), shown);
      } else {
        EXPECT_EQ(in_code_page.GetText(), Utf8ToAnsi(shown));
      }
    }
  }
}
