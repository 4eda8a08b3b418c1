#include "platform/processes.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/program.h"
#include "testing/test_support.h"

// Starting test programs, defined per backend in processes_<backend>_test.cc. The program
// is a core path; the id is 0 when it did not start.
uint32_t StartProgram(const std::string& program, const std::vector<std::string>& arguments);
// Waits for a started program to end and returns its exit code, -1 when it cannot be known.
int WaitForProgram(uint32_t id);
// Ends a started program at once and waits for it.
void KillProgram(uint32_t id);

namespace {

// The helper program, built beside the unit tests.
std::string HelperPath() {
  std::string self = ProgramPath();
  return self.substr(0, self.rfind('\\') + 1) + "test_helper" +
         (ProgramNamesHaveExtensions() ? ".exe" : "");
}

// A started helper that is ended when the test leaves, even on a failed assertion.
class Helper {
 public:
  explicit Helper(const std::vector<std::string>& arguments)
      : id_(StartProgram(HelperPath(), arguments)) {}
  ~Helper() {
    if (id_) KillProgram(id_);
  }
  uint32_t id() const { return id_; }
  int Wait() {
    int code = WaitForProgram(id_);
    id_ = 0;
    return code;
  }

 private:
  uint32_t id_;
};

// A new process may not show its path at once (Windows fills in its module list as it
// starts); waits a bounded while for the lookup to see it.
uint32_t WaitUntilFound(const std::string& path) {
  for (int attempt = 0; attempt < 400; ++attempt) {
    if (uint32_t id = FindRunningProcess(path.c_str())) return id;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return 0;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

TEST(ProcessesTest, FindsRunningHelperByItsFullPathOnly) {
  std::string path = HelperPath();
  ASSERT_EQ(FindRunningProcess(path.c_str()), 0u) << "a helper of an earlier run still runs";

  Helper helper({"sleep", "60"});
  ASSERT_NE(helper.id(), 0u);
  ASSERT_EQ(WaitUntilFound(path), helper.id());

  // Letter case does not matter; any other difference does.
  EXPECT_EQ(FindRunningProcess(Upper(path).c_str()), helper.id());
  std::string name = path.substr(path.rfind('\\') + 1);
  EXPECT_EQ(FindRunningProcess(name.c_str()), 0u);
  std::string doubled = path;
  doubled.insert(doubled.rfind('\\'), "\\");
  EXPECT_EQ(FindRunningProcess(doubled.c_str()), 0u);
  EXPECT_EQ(FindRunningProcess((path + " ").c_str()), 0u);
  EXPECT_EQ(FindRunningProcess(path.substr(0, path.size() - 1).c_str()), 0u);
  EXPECT_EQ(FindRunningProcess(""), 0u);

  // Our own process is never the answer, although its path is running.
  EXPECT_EQ(FindRunningProcess(ProgramPath().c_str()), 0u);

  // Two instances: one of them, the first that the system lists.
  Helper second({"sleep", "60"});
  ASSERT_NE(second.id(), 0u);
  uint32_t found = FindRunningProcess(path.c_str());
  EXPECT_TRUE(found == helper.id() || found == second.id()) << found;

  // Once ended, neither is found.
  KillProgram(helper.id());
  helper.Wait();
  KillProgram(second.id());
  second.Wait();
  EXPECT_EQ(FindRunningProcess(path.c_str()), 0u);
}

TEST(ProcessesTest, HelperRunsItsCommands) {
  EXPECT_EQ(Helper({"exit", "7"}).Wait(), 7);
  EXPECT_EQ(Helper({"exit", "0"}).Wait(), 0);
  EXPECT_EQ(Helper({"unknown", "x"}).Wait(), 125);

  ScopedTempDir dir;
  std::string file = dir.File("out.txt");
  ASSERT_EQ(Helper({"write", file, "a", "b c", ""}).Wait(), 0);
  std::string text = ReadWholeFile(file);
  // The arguments, then the working folder, which is ours.
  EXPECT_EQ(text, "a\nb c\n\n" + std::filesystem::current_path().string() + "\n");
}

TEST(ProcessesTest, IsWindowsNT) {
  // Linux answers as the NT family; Wine reports it too.
  EXPECT_TRUE(IsWindowsNT());
}
