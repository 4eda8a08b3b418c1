#include "platform/processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/system_path.h"
#include "platform/program.h"
#include "testing/test_support.h"

extern char** environ;

uint32_t StartProgram(const std::string& program, const std::vector<std::string>& arguments) {
  std::string file = ToSystemPath(program.c_str());
  std::vector<std::string> texts{file};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(texts.size() + 1);
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  // posix_spawn returns once the program has replaced the child, so /proc names it.
  if (posix_spawn(&pid, file.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return 0;
  return static_cast<uint32_t>(pid);
}

int WaitForProgram(uint32_t id) {
  int status = 0;
  if (waitpid(static_cast<pid_t>(id), &status, 0) != static_cast<pid_t>(id)) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void KillProgram(uint32_t id) {
  kill(static_cast<pid_t>(id), SIGKILL);
  WaitForProgram(id);
}

namespace {

std::string HelperPath() {
  std::string self = ProgramPath();
  return self.substr(0, self.rfind('\\') + 1) + "test_helper";
}

// The state letter of /proc/PID/stat, after the name in parentheses.
char ProcessState(pid_t pid) {
  std::string stat;
  std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
  size_t end = stat.rfind(") ");
  return end == std::string::npos || end + 2 >= stat.size() ? '?' : stat[end + 2];
}

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(25)); }

}  // namespace

TEST(ProcessesPosixTest, ImagePathRules) {
  std::string path = HelperPath();

  // The first process is the lowest id.
  uint32_t a = StartProgram(path, {"sleep", "60"});
  uint32_t b = StartProgram(path, {"sleep", "60"});
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_EQ(FindRunningProcess(path.c_str()), std::min(a, b));
  KillProgram(a);
  KillProgram(b);

  // An executable deleted while it runs is still found by the path it had, in any case.
  ScopedTempDir dir;
  std::filesystem::copy_file(ToSystemPath(path.c_str()), dir.File("Moved_Helper"));
  std::string moved = FromSystemPath(dir.File("Moved_Helper"));
  uint32_t deleted = StartProgram(moved, {"sleep", "60"});
  ASSERT_NE(deleted, 0u);
  std::filesystem::remove(dir.File("Moved_Helper"));
  std::string lower = moved;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(FindRunningProcess(lower.c_str()), deleted);
  EXPECT_EQ(FindRunningProcess((moved + " (deleted)").c_str()), 0u);
  KillProgram(deleted);

  // A process whose image cannot be read (here a zombie) is compared by its bare name.
  uint32_t zombie = StartProgram(path, {"exit", "0"});
  ASSERT_NE(zombie, 0u);
  for (int attempt = 0; attempt < 400 && ProcessState(zombie) != 'Z'; ++attempt) Pause();
  ASSERT_EQ(ProcessState(zombie), 'Z');
  EXPECT_EQ(FindRunningProcess(path.c_str()), 0u);
  EXPECT_EQ(FindRunningProcess("TEST_helper"), zombie);
  EXPECT_EQ(FindRunningProcess("\\test_helper"), 0u);
  EXPECT_EQ(WaitForProgram(zombie), 0);
  EXPECT_EQ(FindRunningProcess("test_helper"), 0u);
}
