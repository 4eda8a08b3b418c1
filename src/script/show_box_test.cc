#include "script/show_box.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetBoxState(); }
  void TearDown() override { ResetBoxState(); }
  std::string Transcript() const { return ReadWholeFile(transcript_); }

  ScopedTempDir dir_;
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
};

TEST_F(MessageBoxTest, TranscriptLines) {
  ScopedEnvironment answers("UPDATER_ANSWERS", nullptr);
  ResetBoxState();
  EXPECT_EQ(kIdOk, ShowBox("a \"quoted\" C:\\path\nline\ttab\x01", "Cap", kIconError));
  EXPECT_EQ(kIdYes, ShowBox("q", "", kBoxYesNo | kIconQuestion));
  EXPECT_EQ(
      "{\"caption\": \"Cap\", \"style\": 16, \"text\": \"a \\\"quoted\\\" C:\\\\path\\nline\\ttab"
      "\\u0001\", \"answer\": 1}\n"
      "{\"caption\": \"\", \"style\": 36, \"text\": \"q\", \"answer\": 6}\n",
      Transcript());
}

// The transcript holds the UTF-8 texts the box shows, whatever the code page in use; a
// byte that is no UTF-8 shows, and is recorded, as U+FFFD.
TEST_F(MessageBoxTest, TranscriptKeepsEveryCharacter) {
  ShowBox("ファイル \xC0 表 \xFF", "コルヴァン Ünïcødé", kIconInformation);
  EXPECT_EQ(
      "{\"caption\": \"コルヴァン Ünïcødé\", \"style\": 64, \"text\": \"ファイル \uFFFD 表 "
      "\uFFFD\", \"answer\": 1}\n",
      Transcript());
}

TEST_F(MessageBoxTest, AnswersGoToBoxesWithAChoice) {
  ScopedEnvironment answers("UPDATER_ANSWERS", "no, Yes ,cancel,ok,bogus");
  ResetBoxState();
  // A box with only OK takes no answer.
  EXPECT_EQ(kIdOk, ShowBox("error", "c", kIconError));
  EXPECT_EQ(kIdNo, ShowBox("1", "c", kBoxYesNo));
  EXPECT_EQ(kIdYes, ShowBox("2", "c", kBoxYesNo | kDefaultButton2));
  EXPECT_EQ(kIdCancel, ShowBox("3", "c", kBoxOkCancel));
  EXPECT_EQ(kIdOk, ShowBox("4", "c", kBoxOkCancel | kDefaultButton2));
  // An answer the box does not offer, or no answer left: the default button.
  EXPECT_EQ(kIdNo, ShowBox("5", "c", kBoxYesNo | kDefaultButton2));
  EXPECT_EQ(kIdNo, ShowBox("6", "c", kBoxYesNo | kDefaultButton2));
  EXPECT_EQ(kIdYes, ShowBox("7", "c", kBoxYesNo));
  EXPECT_EQ(kIdCancel, ShowBox("8", "c", kBoxOkCancel | kDefaultButton2));
}

TEST_F(MessageBoxTest, DefaultButtons) {
  int buttons[3];
  EXPECT_EQ(3, BoxButtons(kBoxYesNoCancel, buttons));
  EXPECT_EQ(kIdCancel, buttons[2]);
  EXPECT_EQ(kIdOk, DefaultButton(kIconInformation));
  EXPECT_EQ(kIdYes, DefaultButton(kBoxYesNo | kIconQuestion));
  EXPECT_EQ(kIdNo, DefaultButton(kBoxYesNo | kDefaultButton2));
  EXPECT_EQ(kIdCancel, DefaultButton(kBoxYesNoCancel | kDefaultButton3));
  EXPECT_EQ(kIdIgnore, DefaultButton(kBoxAbortRetryIgnore | kDefaultButton3));
  // A default past the last button falls back to the first.
  EXPECT_EQ(kIdOk, DefaultButton(kBoxOk | kDefaultButton3));
}

TEST_F(MessageBoxTest, UnattendedExitCodes) {
  EXPECT_EQ(0, ProcessExitCode());
  NoteRunEnd(RunEnd::kUserStop);
  NoteRunEnd(RunEnd::kError);  // the first end counts
  EXPECT_EQ(2, ProcessExitCode());
  ResetBoxState();
  NoteRunEnd(RunEnd::kError);
  EXPECT_EQ(1, ProcessExitCode());
  {
    ScopedEnvironment attended("UPDATER_UNATTENDED", nullptr);
    EXPECT_EQ(0, ProcessExitCode());
  }
}
