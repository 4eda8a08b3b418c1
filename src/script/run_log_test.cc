#include "script/run_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/code_page.h"
#include "platform/system_error.h"
#include "script/show_box.h"
#include "testing/test_support.h"

namespace {

class RunLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetRunLog();
    ResetBoxState();
  }
  void TearDown() override {
    ResetRunLog();
    ResetBoxState();
  }
  // The log's lines, each parsed; a line that is not JSON fails the test.
  std::vector<nlohmann::json> Lines() const {
    std::vector<nlohmann::json> lines;
    std::string text = ReadWholeFile(log_);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
      lines.push_back(nlohmann::json::parse(text.substr(start, end - start)));
    }
    return lines;
  }

  ScopedTempDir dir_;
  std::string log_ = dir_.File("log.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", dir_.File("boxes.jsonl").c_str()};
};

TEST_F(RunLogTest, WithoutTheVariableNothingIsWrittenAndErrorsStay) {
  ScopedEnvironment no_log("UPDATER_LOG", nullptr);
  ResetRunLog();
  SetLastSystemError(5);
  LogRunStart("/iA.ini");
  LogOperation("COPY", "a", "b", false);
  LogBox("t", "c", 0, 1);
  LogRunEnd(0);
  EXPECT_EQ(5u, LastSystemError());
  EXPECT_FALSE(std::filesystem::exists(log_));
}

TEST_F(RunLogTest, FailuresCarryTheSystemErrorAndLeaveItForTheMessage) {
  ScopedEnvironment with_log("UPDATER_LOG", log_.c_str());
  ResetRunLog();
  SetLastSystemError(2);
  LogOperation("COPY", "C:\\a.txt", "C:\\b.txt", false);
  EXPECT_EQ(2u, LastSystemError());  // the message that follows reads it too
  LogMessageFollows(8, 2);
  LogBox("text", "Patch", 16, 1);
  LogOperation("DELETE", "C:\\c.txt", "", true);
  LogBox("after", "Patch", 64, 1);  // no message before it: no error fields

  std::vector<nlohmann::json> lines = Lines();
  ASSERT_EQ(4u, lines.size());
  EXPECT_EQ("operation", lines[0]["event"]);
  EXPECT_EQ(false, lines[0]["ok"]);
  EXPECT_EQ(2, lines[0]["system_error"]);
  EXPECT_EQ(AnsiToUtf8(SystemErrorText(2)), lines[0]["system_error_text"].get<std::string>());
  EXPECT_EQ("C:\\b.txt", lines[0]["target"]);
  EXPECT_EQ(8, lines[1]["message"]);
  EXPECT_EQ(2, lines[1]["system_error"]);
  EXPECT_FALSE(lines[2].contains("target"));
  EXPECT_FALSE(lines[2].contains("system_error"));
  EXPECT_FALSE(lines[3].contains("message"));
}

// Texts are converted from the system's code page; bytes that make no character there (or
// a conversion that keeps them) never cost a line: it stays JSON.
TEST_F(RunLogTest, EveryLineIsJsonWhateverTheBytes) {
  ScopedEnvironment with_log("UPDATER_LOG", log_.c_str());
  ResetRunLog();
  LogOperation("COPY", "C:\\\x95\x5C\\a", "C:\\\xFF", true);
  LogBox("\xC3", "\xFF\xFE caption", 0, 1);
  std::vector<nlohmann::json> lines = Lines();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(0u, lines[0]["source"].get<std::string>().find("C:\\"));
  EXPECT_NE(std::string::npos, lines[1]["caption"].get<std::string>().find(" caption"));
}

}  // namespace
