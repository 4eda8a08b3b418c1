// The Linux shell operation's progress line; its rules are tested with the stand-in.

#include "platform/shell_operation.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "testing/temp_folder_test.h"

class ShellOperationTest : public TempFolderTest {
 protected:
  ScopedTempDir aux_;

  int Run(unsigned function, const std::string& from, const std::string& to) const {
    ShellRequest request;
    request.function = function;
    std::strncpy(request.from, from.c_str(), kShellBufferSize - 2);
    std::strncpy(request.to, to.c_str(), kShellBufferSize - 2);
    std::strcpy(request.title, "Patch");
    return RunShellOperation(request);
  }
};

TEST_F(ShellOperationTest, ProgressLineOnlyOnATerminal) {
  Write("data\\a.txt", "a");
  Write("data\\b.txt", "b");
  int saved = dup(STDERR_FILENO);
  ASSERT_GE(saved, 0);

  int file = open(aux_.File("stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0);
  dup2(file, STDERR_FILENO);
  EXPECT_EQ(0, Run(kShellCopy, P("data\\*"), P("first")));
  dup2(saved, STDERR_FILENO);
  close(file);
  EXPECT_EQ("", ReadWholeFile(aux_.File("stderr.txt")));

  int controller = -1, terminal = -1;
  ASSERT_EQ(0, openpty(&controller, &terminal, nullptr, nullptr, nullptr));
  dup2(terminal, STDERR_FILENO);
  EXPECT_EQ(0, Run(kShellCopy, P("data\\a.txt"), P("second")));
  dup2(saved, STDERR_FILENO);
  close(terminal);
  close(saved);
  // Every writer is closed: read until the terminal reports the end.
  std::string output;
  char buffer[256];
  for (ssize_t n; (n = read(controller, buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(controller);
  // The line is cleared when the operation ends.
  EXPECT_EQ("\r\033[KPatch: a.txt\r\033[K", output);
}
