// The Linux stand-in for the shell's file operation: the rules the shell follows where
// Wine's shell, which the Windows tests run on, departs from Windows.

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

TEST_F(ShellOperationTest, NothingToDoAndImpossibleTargetsFail) {
  Write("data\\a.txt", "a");
  Write("data\\sub\\b.txt", "b");
  Write("other\\o.txt", "o");
  // A missing source or a pattern matching nothing leaves nothing to copy or move.
  EXPECT_NE(0, Run(kShellMove, P("missing"), P("x")));
  EXPECT_NE(0, Run(kShellCopy, P("data\\*.zip"), P("x")));
  EXPECT_NE(0, Run(kShellMove, P("data\\*.zip"), P("x")));
  EXPECT_FALSE(Exists("x"));
  // A folder cannot go into itself.
  EXPECT_NE(0, Run(kShellCopy, P("data"), P("data\\sub\\copy")));
  EXPECT_NE(0, Run(kShellMove, P("data"), P("data\\moved")));
  EXPECT_NE(0, Run(kShellCopy, P("data\\*"), P("data\\sub")));
  EXPECT_FALSE(Exists("data\\sub\\copy"));
  EXPECT_FALSE(Exists("data\\moved"));
  EXPECT_FALSE(Exists("data\\sub\\a.txt"));
  // A rename stays in its folder; a file does not replace a folder; a destination holds
  // no wildcard.
  EXPECT_NE(0, Run(kShellCopy, P("data\\a.txt"), P("x*.tmp")));
  EXPECT_NE(0, Run(kShellRename, P("data\\a.txt"), P("other\\a.txt")));
  EXPECT_NE(0, Run(kShellCopy, P("data\\a.txt"), P("other\\o.txt\\deeper")));
  EXPECT_NE(0, Run(kShellCopy, P("data"), P("other\\o.txt")));
  EXPECT_EQ(0, Run(kShellRename, P("data\\a.txt"), P("data\\z.txt")));
  EXPECT_EQ("a", Read("data\\z.txt"));
  EXPECT_NE(0, Run(9, P("data\\z.txt"), P("x"))) << "no such function";
}

TEST_F(ShellOperationTest, MovesMakeFoldersAndMerge) {
  Write("data\\a.txt", "a");
  Write("data\\b.txt", "b");
  Write("data\\sub\\c.txt", "c");
  // Several files go into a folder made for them, with its missing parents.
  EXPECT_EQ(0, Run(kShellMove, P("data\\*.txt"), P("out\\texts")));
  EXPECT_EQ("b", Read("out\\texts\\b.txt"));
  EXPECT_FALSE(Exists("data\\a.txt"));
  EXPECT_EQ(0, Run(kShellMove, P("out\\texts\\a.txt"), P("deep\\er\\a.txt")));
  EXPECT_EQ("a", Read("deep\\er\\a.txt"));
  // A folder moved into one of the same name merges into it, replacing files.
  Write("target\\sub\\c.txt", "old");
  Write("target\\sub\\keep.txt", "k");
  EXPECT_EQ(0, Run(kShellMove, P("data\\sub"), P("target")));
  EXPECT_EQ("c", Read("target\\sub\\c.txt"));
  EXPECT_EQ("k", Read("target\\sub\\keep.txt"));
  EXPECT_FALSE(Exists("data\\sub"));
  EXPECT_TRUE(Exists("data"));
}

TEST_F(ShellOperationTest, ReadOnlyFilesAreReplacedAndDeleted) {
  Write("a.txt", "a");
  for (const char* name : {"copy.txt", "move.txt", "del.txt", "folder\\in.txt"}) {
    Write(name, "old");
    MakeReadOnly(name);
  }
  Write("m.txt", "m");
  EXPECT_EQ(0, Run(kShellCopy, P("a.txt"), P("copy.txt")));
  EXPECT_EQ("a", Read("copy.txt"));
  EXPECT_EQ(0, Run(kShellMove, P("m.txt"), P("move.txt")));
  EXPECT_EQ("m", Read("move.txt"));
  EXPECT_EQ(0, Run(kShellDelete, P("del.txt"), ""));
  EXPECT_EQ(0, Run(kShellDelete, P("folder"), ""));
  EXPECT_FALSE(Exists("del.txt"));
  EXPECT_FALSE(Exists("folder"));
}

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
