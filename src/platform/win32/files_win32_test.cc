#include "platform/files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/temp_folder_test.h"

namespace {

using FilesWin32Test = TempFolderTest;

// An id no process has now: OpenProcess says so with ERROR_INVALID_PARAMETER.
DWORD UnusedProcessId() {
  for (DWORD id = 0x3FFFFFFC; id > 0x1000; id -= 4) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) return id;
    if (process != nullptr) CloseHandle(process);
  }
  return 0;
}

// A copy killed between making its temporary file and moving it into place leaves the
// file; the next copy into that folder removes it, and only files it can prove are a
// dead run's.
TEST_F(FilesWin32Test, LeftoversOfDeadRunsAreRemoved) {
  const DWORD dead = UnusedProcessId();
  ASSERT_NE(0u, dead);
  const std::string dead_file = ".updater-" + std::to_string(dead) + "-1.tmp";
  const std::string own_file = ".updater-" + std::to_string(GetCurrentProcessId()) + "-99.tmp";
  Write("app\\" + dead_file, "half");
  Write("app\\" + own_file, "a copy of ours under way");
  Write("app\\.updater-notes.tmp", "a user's");
  Write("app\\.updater-" + std::to_string(dead) + "-1.tmp.bak", "a user's");
  Write("source.txt", "new");
  ASSERT_TRUE(CopyFileTo(P("source.txt").c_str(), P("app\\target.txt").c_str()));
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(Native(P("app")))) {
    left.push_back(entry.path().filename().string());
  }
  std::sort(left.begin(), left.end());
  const std::vector<std::string> expected = {
      own_file, ".updater-" + std::to_string(dead) + "-1.tmp.bak", ".updater-notes.tmp",
      "target.txt"};
  std::vector<std::string> sorted_expected = expected;
  std::sort(sorted_expected.begin(), sorted_expected.end());
  EXPECT_EQ(sorted_expected, left);
  EXPECT_EQ("new", Read("app\\target.txt"));
}

}  // namespace
