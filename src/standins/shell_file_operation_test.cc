// The stand-in for the shell's file operation: the rules the shell follows, checked here
// rather than through Wine's shell, which departs from Windows. Runs over both backends'
// file calls.

#include "standins/shell_file_operation.h"

#include <cstring>
#include <string>

#include "testing/temp_folder_test.h"

class ShellFileOperationTest : public TempFolderTest {
 protected:
  int Run(unsigned function, const std::string& from, const std::string& to) const {
    ShellRequest request;
    request.function = function;
    std::strncpy(request.from, from.c_str(), kShellBufferSize - 2);
    std::strncpy(request.to, to.c_str(), kShellBufferSize - 2);
    return RunShellFileOperation(request, nullptr, nullptr);
  }
};

TEST_F(ShellFileOperationTest, NothingToDoAndImpossibleTargetsFail) {
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

TEST_F(ShellFileOperationTest, MovesMakeFoldersAndMerge) {
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

TEST_F(ShellFileOperationTest, ReadOnlyFilesAreReplacedAndDeleted) {
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

// A link is an entry of its own: deleting a tree removes it and leaves what it leads to;
// copying takes it as a link. A Linux name holding a backslash stops the operation before
// anything outside is touched.
TEST_F(ShellFileOperationTest, LinksAndUnnameableEntriesStayInTheTree) {
  Write("outside\\keep.txt", "keep");
  Write("data\\a.txt", "a");
  std::error_code error;
  std::filesystem::create_directory_symlink(Native(P("outside")), Native(P("data\\link")), error);
  if (error) GTEST_SKIP() << "the system makes no links to folders here";
  EXPECT_EQ(0, Run(kShellCopy, P("data"), P("copy")));
  EXPECT_TRUE(std::filesystem::is_symlink(Native(P("copy\\link"))));
  EXPECT_EQ(0, Run(kShellDelete, P("data"), ""));
  EXPECT_FALSE(Exists("data"));
  EXPECT_EQ("keep", Read("outside\\keep.txt"));

  Write("victim\\v.txt", "mine");
  Write("tree\\x\\f.txt", "f");
  WriteWholeFile(Native(P("tree\\x")) + "/..\\..\\victim\\v.txt", "theirs");
  EXPECT_NE(0, Run(kShellCopy, P("tree"), P("copy2\\deep")));
  EXPECT_NE(0, Run(kShellDelete, P("tree"), ""));
  EXPECT_NE(0, Run(kShellDelete, P("tree\\x\\*"), ""));
  EXPECT_EQ("mine", Read("victim\\v.txt"));
  EXPECT_EQ("f", Read("tree\\x\\f.txt"));
}
