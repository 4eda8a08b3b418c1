#include "script/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>

#include "foundation/globals.h"
#include "foundation/text_string.h"
#include "platform/code_page.h"
#include "script/messages.h"
#include "script/show_box.h"
#include "testing/test_support.h"

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoxState();
    RunSettings.title = "T";
  }
  void TearDown() override {
    ResetBoxState();
    RunSettings.title = "";
  }

  ScopedTempDir dir_;
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
};

// Memory that runs out anywhere in a run still ends it with its one box.
TEST_F(StartupTest, OutOfMemoryEndsTheRunWithMessage3) {
  EXPECT_TRUE(RunCatchingOutOfMemory([](const char*) { return true; }, ""));
  EXPECT_EQ("", ReadWholeFile(transcript_));
  EXPECT_EQ(0, ProcessExitCode());

  EXPECT_FALSE(RunCatchingOutOfMemory([](const char*) -> bool { throw std::bad_alloc(); }, ""));
  // Message 3, whose first line names no value.
  TextString expected;
  expected.FormatResource(kMsgNoMemory, "");
  std::string text = AnsiToUtf8(expected.GetText());
  std::string transcript = ReadWholeFile(transcript_);
  EXPECT_NE(std::string::npos, transcript.find(text.substr(0, text.find('\n')))) << transcript;
  EXPECT_EQ(1, std::count(transcript.begin(), transcript.end(), '\n'));
  EXPECT_EQ(1, ProcessExitCode());
}

}  // namespace
