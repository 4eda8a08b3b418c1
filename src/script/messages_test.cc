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
  const char* utf8;
};

// The message source the program's string table is built from.
constexpr SourceMessage kSource[] = {
#define MESSAGE(id, text) {id, text},
#include "messages_table.inc"
#undef MESSAGE
};

}  // namespace

class MessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoxState();
    RunSettings.title = Utf8ToAnsi("コルヴァン アップデータ").c_str();
  }
  void TearDown() override {
    ResetBoxState();
    RunSettings.title = "";
  }
  std::string Transcript() const { return ReadWholeFile(transcript_); }

  ScopedTempDir dir_;
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
};

TEST_F(MessagesTest, TableMatchesItsSource) {
  EXPECT_EQ(16u, std::size(kSource));
  for (const SourceMessage& m : kSource) {
    char buffer[256];
    int length = LoadStringTemplate(m.id, buffer, sizeof buffer);
    EXPECT_GT(length, 0) << m.id;
    EXPECT_EQ(m.utf8, AnsiToUtf8(buffer)) << m.id;
  }
  char buffer[256] = "x";
  EXPECT_EQ(0, LoadStringTemplate(7, buffer, sizeof buffer));
  EXPECT_STREQ("", buffer);
}

// The Windows build's tests run with code page 932, where the second byte of 表 is a
// backslash: the path must reach the box and the transcript whole.
TEST_F(MessagesTest, FileNotFoundWithDoubleByteSecondByteBackslash) {
  if (const char* expected = std::getenv("UPDATER_EXPECT_CODE_PAGE")) {
    EXPECT_EQ(static_cast<unsigned>(std::atoi(expected)), SystemCodePage());
  }
  std::string path = Utf8ToAnsi("C:\\アプリ\\表\\update.ini");
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

TEST_F(MessagesTest, ArgumentsAndCaption) {
  RunSettings.title = "Patch";
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
