#include "platform/launch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/processes.h"
#include "platform/program.h"
#include "testing/test_support.h"

// Ends a process at once (if it still runs) and returns once it has gone from the process
// list; defined per backend in launch_<backend>_test.cc.
void EndProcessNow(uint32_t id);

namespace {

// A core path (backslashes) as the system takes it: Linux turns them into slashes.
std::string NativePath(std::string path) {
  if (!ProgramNamesHaveExtensions()) std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// A copy of the helper program in a test folder, so that what it writes lands there.
class LaunchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ProgramNamesHaveExtensions() ? "test_helper.exe" : "test_helper";
    std::string self = ProgramPath();
    std::filesystem::copy_file(NativePath(self.substr(0, self.rfind('\\') + 1) + name),
                               dir_.path() / name);
    folder_ = dir_.path().string();
    std::replace(folder_.begin(), folder_.end(), '/', '\\');
    helper_ = folder_ + "\\" + name;
  }
  bool Launch(const std::string& arguments, bool wait, const std::string& sub = "") {
    std::string line = "\"" + helper_ + "\" " + arguments;
    return LaunchCommandLine(line.c_str(), (folder_ + sub).c_str(), wait);
  }
  // Waits a bounded while for the helper to show its path (Windows fills in a new
  // process's module list as it starts).
  uint32_t WaitUntilRunning() const {
    for (int attempt = 0; attempt < 400; ++attempt) {
      if (uint32_t id = FindRunningProcess(helper_.c_str())) return id;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return 0;
  }

  ScopedTempDir dir_;
  std::string folder_, helper_;  // as the core writes paths: with backslashes
};

}  // namespace

TEST_F(LaunchTest, WaitsForTheProgramInTheFolderGiven) {
  ASSERT_TRUE(Launch("write out.txt a \"b c\" \"\" d\\\"e", true));
  EXPECT_EQ(ReadWholeFile(dir_.File("out.txt")), "a\nb c\n\nd\"e\n" + dir_.path().string() + "\n");
  std::filesystem::create_directory(dir_.path() / "sub");
  ASSERT_TRUE(Launch("write ../up.txt", true, "\\sub"));
  EXPECT_EQ(ReadWholeFile(dir_.File("up.txt")), (dir_.path() / "sub").string() + "\n");
  EXPECT_TRUE(Launch("exit 3", true)) << "the exit code is no failure";
}

TEST_F(LaunchTest, FailsWhenNothingCanStart) {
  WriteWholeFile(dir_.File("text.exe"), "not a program");
  for (const std::string& line : {folder_ + "\\missing.exe x", "\"" + folder_ + "\\text.exe\"",
                                  "\"" + folder_ + "\"", std::string()}) {
    EXPECT_FALSE(LaunchCommandLine(line.c_str(), folder_.c_str(), true)) << line;
    EXPECT_FALSE(LaunchCommandLine(line.c_str(), folder_.c_str(), false)) << line;
  }
  EXPECT_FALSE(Launch("write out.txt", true, "\\nowhere"));
  EXPECT_FALSE(Launch("write out.txt", false, "\\nowhere"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "out.txt"));
}

TEST_F(LaunchTest, WithoutWaitingReturnsOnceStartedAndWaitsCanTimeOut) {
  // A console program never becomes idle for input; it counts as started all the same.
  ASSERT_TRUE(Launch("sleep 120", false));
  uint32_t id = WaitUntilRunning();
  ASSERT_NE(id, 0u);
  WaitForProcessEnd(id, 0);
  WaitForProcessEnd(id, 200);
  EXPECT_EQ(FindRunningProcess(helper_.c_str()), id) << "the waits ran out";
  EndProcessNow(id);

  ASSERT_TRUE(Launch("sleep 2", false));
  id = WaitUntilRunning();
  ASSERT_NE(id, 0u);
  WaitForProcessEnd(id, -1);
  EXPECT_EQ(FindRunningProcess(helper_.c_str()), 0u) << "no limit: the wait lasted to the end";
  EndProcessNow(id);
}
