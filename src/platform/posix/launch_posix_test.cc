#include "platform/launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testing/test_support.h"

namespace {

// Programs started without waiting are orphans. As their subreaper the tests reap them
// at once, rather than wait for init, which may take its time: until reaped, a program
// still shows by its name in the process list.
const bool kSubreaper = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;

std::string Core(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

}  // namespace

void EndProcessNow(uint32_t id) {
  auto pid = static_cast<pid_t>(id);
  kill(pid, SIGKILL);
  if (kSubreaper && waitpid(pid, nullptr, 0) == pid) return;
  for (int attempt = 0; attempt < 3000 && kill(pid, 0) == 0; ++attempt) usleep(10000);
}

TEST(LaunchPosixTest, ProgramGetsTheWordsAndDescriptorsWindowsWouldGive) {
  ScopedTempDir dir;
  std::filesystem::create_directories(dir.path() / "My App");
  std::string script = (dir.path() / "My App" / "show").string();
  WriteWholeFile(script, "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" /proc/self/fd/* > ../out.txt\n");
  ASSERT_EQ(chmod(script.c_str(), 0700), 0);
  int leaked = open(script.c_str(), O_RDONLY);
  ASSERT_EQ(dup2(leaked, 100), 100);
  close(leaked);

  // Found from an unquoted line with a blank, the program gets the line as it is: its
  // first words are "...\My" and "App\show" (Wine quotes the line instead). Only the
  // standard descriptors are inherited, never one of ours such as 100.
  std::string line = Core(script) + " a \"b c\"";
  ASSERT_TRUE(
      LaunchCommandLine(line.c_str(), Core((dir.path() / "My App").string()).c_str(), true));
  close(100);
  std::string out = ReadWholeFile(dir.File("out.txt"));
  EXPECT_EQ(out.substr(0, out.find("/proc")), script + "|App\\show|a|b c|");
  EXPECT_NE(out.find("/proc/self/fd/2|"), std::string::npos) << out;
  EXPECT_EQ(out.find("/proc/self/fd/100|"), std::string::npos) << out;
}
