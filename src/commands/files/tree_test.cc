#include "commands/files/tree.h"

#include "commands/files/file_test_support.h"
#include "foundation/paths.h"

class TreeTest : public FileTest {
 protected:
  // A\f.txt, A\g.dat, A\s\f.txt, A\s\t\h.txt, A\empty
  void MakeTree() {
    Write("A\\f.txt", "f");
    Write("A\\g.dat", "g");
    Write("A\\s\\f.txt", "sf");
    Write("A\\s\\t\\h.txt", "sth");
    Folder("A\\empty");
  }
};

TEST_F(TreeTest, CopyFileFolderAndPattern) {
  MakeTree();
  // A file: the target's folders are made, an existing target is replaced.
  EXPECT_TRUE(CopyPath(T("A\\f.txt"), T("X\\Y\\one.txt")));
  EXPECT_EQ("f", Read("X\\Y\\one.txt"));
  EXPECT_TRUE(CopyPath(T("A\\g.dat"), T("X\\Y\\one.txt")));
  EXPECT_EQ("g", Read("X\\Y\\one.txt"));
  // A folder fills the destination with its contents; written with a final backslash on
  // either side it goes to the same places.
  for (const char* source : {"A", "A\\", "A\\\\"}) {
    for (const char* destination : {"B", "B\\"}) {
      SCOPED_TRACE(std::string(source) + " to " + destination);
      EXPECT_TRUE(CopyPath(T(source), T(destination)));
      EXPECT_EQ("f", Read("B\\f.txt"));
      EXPECT_EQ("sth", Read("B\\s\\t\\h.txt"));
      EXPECT_TRUE(IsFolder(P("B\\empty").c_str()));
      EXPECT_FALSE(Exists("B\\A"));
      std::filesystem::remove_all(Native(P("B")));
    }
  }
  // A pattern: matching files and matching folders with everything in them go into the
  // parent of the destination; the rest stays behind.
  EXPECT_TRUE(CopyPath(T("A\\*.txt"), T("C\\ignored")));
  EXPECT_EQ("f", Read("C\\f.txt"));
  EXPECT_FALSE(Exists("C\\ignored"));
  EXPECT_FALSE(Exists("C\\g.dat"));
  EXPECT_TRUE(CopyPath(T("A\\s*"), T("D\\*")));
  EXPECT_EQ("sth", Read("D\\s\\t\\h.txt"));
  EXPECT_FALSE(Exists("D\\f.txt"));
  // An empty folder makes an empty destination.
  EXPECT_TRUE(CopyPath(T("A\\empty"), T("E")));
  EXPECT_TRUE(IsFolder(P("E").c_str()));
  // "?" without "*" names one file of that literal name.
  EXPECT_FALSE(CopyPath(T("A\\?.txt"), T("F\\x.txt")));
  EXPECT_FALSE(Exists("F\\x.txt"));
  // A pattern matching nothing makes the target folder and fails.
  EXPECT_FALSE(CopyPath(T("A\\*.bin"), T("G\\x")));
  EXPECT_TRUE(IsFolder(P("G").c_str()));
}

TEST_F(TreeTest, CopyFailures) {
  MakeTree();
  Write("B\\s\\t\\h.txt", "old");
  MakeReadOnly("B\\s\\t\\h.txt");
  // Deep in the tree: the copy fails there, the target stays whole.
  EXPECT_FALSE(CopyPath(T("A"), T("B")));
  EXPECT_EQ("old", Read("B\\s\\t\\h.txt"));
  EXPECT_TRUE(ReadOnly("B\\s\\t\\h.txt"));
  EXPECT_FALSE(CopyPath(T("A\\s\\t\\h.txt"), T("B\\s\\t\\h.txt")));
  EXPECT_EQ("old", Read("B\\s\\t\\h.txt"));
  // A missing source, a folder or a file in the way, an empty destination.
  EXPECT_FALSE(CopyPath(T("A\\missing.txt"), T("B\\m.txt")));
  EXPECT_FALSE(Exists("B\\m.txt"));
  EXPECT_FALSE(CopyPath(T("A\\f.txt"), T("B\\s")));
  Write("H", "file");
  EXPECT_FALSE(CopyPath(T("A"), T("H")));
  EXPECT_FALSE(CopyPath(T("A\\f.txt"), T("H\\f.txt")));
  Write("I\\s", "file");
  EXPECT_FALSE(CopyPath(T("A"), T("I")));
  EXPECT_EQ("file", Read("I\\s"));
  // (An empty source folder: where the empty destination is not refused, nothing is
  // written at the root.)
  EXPECT_FALSE(CopyPath(T("A\\empty"), ""));
  EXPECT_FALSE(CopyPath(T("A\\f.txt"), ""));
}

TEST_F(TreeTest, Move) {
  MakeTree();
  // A folder: the target gets the contents, no source folder is left.
  EXPECT_TRUE(MovePath(T("A\\s\\"), T("B")));
  EXPECT_EQ("sth", Read("B\\t\\h.txt"));
  EXPECT_FALSE(Exists("A\\s"));
  // A pattern: the matching entries go, their folder stays.
  EXPECT_TRUE(MovePath(T("A\\*.txt"), T("C\\x")));
  EXPECT_EQ("f", Read("C\\f.txt"));
  EXPECT_FALSE(Exists("A\\f.txt"));
  EXPECT_TRUE(Exists("A\\g.dat"));
  // A file replaces an existing one.
  Write("D\\g.dat", "old");
  EXPECT_TRUE(MovePath(T("A\\g.dat"), T("D\\g.dat")));
  EXPECT_EQ("g", Read("D\\g.dat"));
  EXPECT_FALSE(Exists("A\\g.dat"));
  // Never onto a read-only file: both stay.
  Write("E\\r.txt", "source");
  Write("F\\r.txt", "target");
  MakeReadOnly("F\\r.txt");
  EXPECT_FALSE(MovePath(T("E\\r.txt"), T("F\\r.txt")));
  EXPECT_EQ("source", Read("E\\r.txt"));
  EXPECT_EQ("target", Read("F\\r.txt"));
  // A move that cannot happen leaves the file it was to replace.
  EXPECT_FALSE(MovePath(T("E\\missing.txt"), T("E\\r.txt")));
  EXPECT_EQ("source", Read("E\\r.txt"));
  // A file moved onto itself stays.
  MovePath(T("E\\r.txt"), T("E\\r.txt"));
  EXPECT_EQ("source", Read("E\\r.txt"));
  // A failure part way: what was moved stays moved, the rest stays put.
  Write("G\\a.txt", "a");
  Write("G\\b.txt", "b");
  Write("H\\b.txt", "old");
  MakeReadOnly("H\\b.txt");
  EXPECT_FALSE(MovePath(T("G"), T("H")));
  EXPECT_TRUE(Exists("H\\a.txt") != Exists("G\\a.txt"));
  EXPECT_EQ("b", Read("G\\b.txt"));
  EXPECT_EQ("old", Read("H\\b.txt"));
  EXPECT_TRUE(Exists("G"));
  EXPECT_FALSE(MovePath(T("A\\empty"), ""));
  EXPECT_TRUE(Exists("A\\empty"));
}

TEST_F(TreeTest, Delete) {
  MakeTree();
  EXPECT_TRUE(DeletePath(T("missing")));
  EXPECT_TRUE(DeletePath(T("A\\*.bin")));
  EXPECT_TRUE(DeletePath(""));
  EXPECT_TRUE(DeletePath(T("A\\f.txt")));
  EXPECT_FALSE(Exists("A\\f.txt"));
  // A pattern deletes matching files and folders and leaves its own folder.
  EXPECT_TRUE(DeletePath(T("A\\e*")));
  EXPECT_FALSE(Exists("A\\empty"));
  EXPECT_TRUE(Exists("A\\g.dat"));
  // A read-only file fails its item; the entries deleted before it stay deleted.
  MakeReadOnly("A\\s\\t\\h.txt");
  EXPECT_FALSE(DeletePath(T("A")));
  EXPECT_TRUE(Exists("A\\s\\t\\h.txt"));
  ASSERT_TRUE(SetAttributes(P("A\\s\\t\\h.txt").c_str(), kAttrNormal));
  EXPECT_TRUE(DeletePath(T("A")));
  EXPECT_FALSE(Exists("A"));
}

TEST_F(TreeTest, SetAttributes) {
  MakeTree();
  EXPECT_TRUE(SetPathAttributes(T("A\\f.txt"), kAttrReadOnly | kAttrArchive));
  EXPECT_TRUE(ReadOnly("A\\f.txt"));
  EXPECT_TRUE(SetPathAttributes(T("A\\f.txt"), kAttrNormal));
  EXPECT_FALSE(ReadOnly("A\\f.txt"));
  // A pattern sets the matching files of its folder only.
  EXPECT_TRUE(SetPathAttributes(T("A\\*"), kAttrReadOnly));
  EXPECT_TRUE(ReadOnly("A\\f.txt"));
  EXPECT_TRUE(ReadOnly("A\\g.dat"));
  EXPECT_FALSE(ReadOnly("A\\s\\f.txt"));
  EXPECT_FALSE(ReadOnly("A\\s"));
  // A folder changes nothing and succeeds; nothing matching fails.
  EXPECT_TRUE(SetPathAttributes(T("A\\s"), kAttrReadOnly));
  EXPECT_FALSE(ReadOnly("A\\s\\f.txt"));
  EXPECT_FALSE(SetPathAttributes(T("A\\*.bin"), kAttrNormal));
  EXPECT_FALSE(SetPathAttributes(T("A\\missing"), kAttrNormal));
}

TEST_F(TreeTest, DoubleByteNamesEndingInBackslashByte) {
  ScopedCodePage cp932(932);
  const std::string table = "d\x95\x5C";  // d表, whose last byte is 0x5C
  ASSERT_TRUE(CreateFolder(P(table).c_str()));
  // Linux names are bytes, so the rule holds under any locale; Windows needs code page 932.
  FoundEntry found;
  FileSearchHandle search = FindFirstEntry(P("d*").c_str(), &found);
  ASSERT_NE(nullptr, search);
  FindCloseSearch(search);
  if (found.name != table) GTEST_SKIP() << "the system's code page is not 932";
  Write("seed", "f");
  ASSERT_TRUE(CopyPath(T("seed"), T(table + "\\f.txt")));
  EXPECT_TRUE(CopyPath(T(table + "\\"), T("out")));
  EXPECT_EQ("f", Read("out\\f.txt"));
  EXPECT_TRUE(MovePath(T(table + "\\"), T("moved\\" + table)));
  EXPECT_TRUE(CopyPath(T("moved\\" + table + "\\f.txt"), T("back.txt")));
  EXPECT_EQ("f", Read("back.txt"));
  EXPECT_FALSE(IsFolder(P(table).c_str()));
  EXPECT_TRUE(DeletePath(T("moved\\" + table)));
  EXPECT_FALSE(IsFolder(P("moved\\" + table).c_str()));
  EXPECT_TRUE(IsFolder(P("moved").c_str()));
}

// Links lead outside the tree: a walk never goes through one. DELETE removes a link as an
// entry, COPY and MOVE take it as a link, ATTR leaves what it leads to alone.
TEST_F(TreeTest, LinksInATree) {
  MakeTree();
  Write("outside\\keep.txt", "keep");
  std::error_code error;
  std::filesystem::create_directory_symlink(Native(P("outside")), Native(P("A\\s\\folder-link")),
                                            error);
  if (error) GTEST_SKIP() << "the system makes no links to folders here";
  std::filesystem::create_symlink(Native(P("outside\\keep.txt")), Native(P("A\\file-link")));
  std::filesystem::create_symlink(Native(P("nowhere")), Native(P("A\\dangling")));
  auto is_link = [&](const std::string& name) {
    return std::filesystem::is_symlink(Native(P(name)));
  };

  EXPECT_TRUE(CopyPath(T("A"), T("B")));
  EXPECT_TRUE(is_link("B\\file-link"));
  EXPECT_TRUE(is_link("B\\s\\folder-link"));
  EXPECT_TRUE(is_link("B\\dangling"));
  EXPECT_EQ("keep", Read("B\\s\\folder-link\\keep.txt"));
  EXPECT_TRUE(CopyPath(T("A\\*-link"), T("C\\x")));
  EXPECT_TRUE(is_link("C\\file-link"));

  EXPECT_FALSE(SetPathAttributes(T("A\\file-link"), kAttrReadOnly));
  EXPECT_FALSE(ReadOnly("outside\\keep.txt"));

  Folder("M");
  EXPECT_TRUE(MovePath(T("B"), T("M")));
  EXPECT_TRUE(is_link("M\\s\\folder-link"));
  EXPECT_FALSE(Exists("B"));

  EXPECT_TRUE(DeletePath(T("A")));
  EXPECT_FALSE(Exists("A"));
  EXPECT_TRUE(DeletePath(T("M\\s\\folder-link")));  // the link itself, named
  EXPECT_FALSE(is_link("M\\s\\folder-link"));
  EXPECT_TRUE(DeletePath(T("M\\*-link")));
  EXPECT_FALSE(is_link("M\\file-link"));
  EXPECT_EQ("keep", Read("outside\\keep.txt"));
}

// A name the core cannot write as a path (a Linux name holding a backslash) stops the
// command before anything outside the tree is touched.
TEST_F(TreeTest, NamesHoldingABackslashStopTheWalk) {
  Write("victim\\v.txt", "mine");
  Write("A\\x\\f.txt", "f");
  std::error_code error;
  WriteWholeFile(Native(P("A\\x")) + "/..\\..\\victim\\v.txt", "theirs");
  if (Read("victim\\v.txt") != "mine" ||
      !std::filesystem::exists(Native(P("A\\x")) + "/..\\..\\victim\\v.txt", error)) {
    GTEST_SKIP() << "names cannot hold a backslash here";
  }
  EXPECT_FALSE(CopyPath(T("A"), T("B\\C")));
  EXPECT_FALSE(CopyPath(T("A\\x\\*"), T("D\\y")));
  EXPECT_FALSE(MovePath(T("A"), T("B\\C")));
  Write("E\\old.txt", "old");
  EXPECT_FALSE(MovePath(T("A"), T("E")));
  EXPECT_FALSE(SetPathAttributes(T("A\\x\\*"), kAttrHidden));
  EXPECT_EQ("mine", Read("victim\\v.txt"));
  EXPECT_FALSE(DeletePath(T("A\\x\\*")));
  EXPECT_FALSE(DeletePath(T("A")));
  EXPECT_EQ("mine", Read("victim\\v.txt"));
}

// A folder moved to a new target goes in one step: it keeps what is set on the folder
// itself, which moving entry by entry would leave behind.
TEST_F(TreeTest, MoveToANewTargetIsOneStep) {
  MakeTree();
  ASSERT_TRUE(SetAttributes(P("A\\s").c_str(), kAttrHidden));
  uint32_t before = GetPathAttributes(P("A\\s").c_str());
  EXPECT_TRUE(MovePath(T("A\\s"), T("N\\M\\moved\\")));
  EXPECT_FALSE(Exists("A\\s"));
  EXPECT_EQ("sth", Read("N\\M\\moved\\t\\h.txt"));
  EXPECT_EQ(before, GetPathAttributes(P("N\\M\\moved").c_str()));
  // Into an existing folder the entries still move one by one and join what is there.
  Write("E\\old.txt", "old");
  EXPECT_TRUE(MovePath(T("N\\M\\moved"), T("E")));
  EXPECT_EQ("old", Read("E\\old.txt"));
  EXPECT_EQ("sth", Read("E\\t\\h.txt"));
  EXPECT_FALSE(Exists("N\\M\\moved"));
}
