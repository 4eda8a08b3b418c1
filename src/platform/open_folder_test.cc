#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/files.h"
#include "testing/temp_folder_test.h"

namespace {

class OpenFolderTest : public TempFolderTest {
 protected:
  // A link to the folder outside, or false where the system will not make one.
  bool LinkTo(const std::string& name, const std::string& outside) {
    std::error_code error;
    std::filesystem::create_directory_symlink(Native(P(outside)), Native(P(name)), error);
    return !error;
  }
};

TEST_F(OpenFolderTest, ListsAndChangesEntriesRelativeToTheFolder) {
  Write("A\\f.txt", "f");
  Write("A\\sub\\g.txt", "g");
  Folder("B");
  FolderHandle a = OpenFolder(P("A").c_str());
  ASSERT_NE(nullptr, a);
  std::set<std::string> seen;
  FolderEntry entry;
  while (NextFolderEntry(a, &entry)) {
    seen.insert(entry.name + (entry.kind == kEntryFolder ? "/" : ""));
  }
  EXPECT_EQ((std::set<std::string>{"f.txt", "sub/"}), seen);  // no "." or ".."

  FolderHandle b = OpenFolder(P("B").c_str());
  ASSERT_NE(nullptr, b);
  // A copy lands beside its name in the other folder; a read-only target stays.
  ASSERT_TRUE(CopyFileInto(a, "f.txt", b));
  EXPECT_EQ("f", Read("B\\f.txt"));
  MakeReadOnly("B\\f.txt");
  Write("A\\f.txt", "changed");
  EXPECT_FALSE(CopyFileInto(a, "f.txt", b));
  EXPECT_EQ("f", Read("B\\f.txt"));
  EXPECT_FALSE(CopyFileInto(a, "missing", b));
  EXPECT_FALSE(CopyFileInto(a, "sub", b));  // a folder is no file to copy
  // Copies by path too leave nothing beside their targets, whether they succeed or not.
  EXPECT_TRUE(CopyFileTo(P("A\\f.txt").c_str(), P("B\\g.txt").c_str()));
  EXPECT_TRUE(CopyFileTo(P("A\\sub\\g.txt").c_str(), P("B\\g.txt").c_str()));
  EXPECT_FALSE(CopyFileTo(P("A\\f.txt").c_str(), P("B\\f.txt").c_str()));
  EXPECT_EQ("g", Read("B\\g.txt"));
  std::set<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(Native(P("B")))) {
    names.insert(item.path().filename().string());
  }
  EXPECT_EQ((std::set<std::string>{"f.txt", "g.txt"}), names);

  // A folder is made once and found the second time; a file in the way is no folder.
  EXPECT_TRUE(EnsureFolderIn(b, "new"));
  EXPECT_TRUE(EnsureFolderIn(b, "new"));
  EXPECT_FALSE(EnsureFolderIn(b, "f.txt"));
  FolderHandle inner = OpenFolderIn(a, "sub", false);
  ASSERT_NE(nullptr, inner);
  ASSERT_TRUE(NextFolderEntry(inner, &entry));
  EXPECT_EQ("g.txt", entry.name);
  EXPECT_FALSE(NextFolderEntry(inner, &entry));
  CloseFolder(inner);
  EXPECT_EQ(nullptr, OpenFolderIn(a, "f.txt", true));

  // Removing: a read-only file and a folder are refused as files, a full folder as a folder.
  EXPECT_FALSE(RemoveFileIn(b, "f.txt"));
  EXPECT_FALSE(RemoveFileIn(b, "new"));
  EXPECT_FALSE(RemoveFolderIn(a, "sub"));
  EXPECT_TRUE(RemoveFolderIn(b, "new"));
  EXPECT_TRUE(RemoveFileIn(a, "f.txt"));
  EXPECT_FALSE(Exists("A\\f.txt"));
  EXPECT_TRUE(Exists("B\\f.txt"));
  CloseFolder(b);
  CloseFolder(a);
  EXPECT_EQ(nullptr, OpenFolder(P("A\\sub\\g.txt").c_str()));
  EXPECT_EQ(nullptr, OpenFolder(P("missing").c_str()));
}

TEST_F(OpenFolderTest, LinksAreEntriesOfTheirOwn) {
  Write("outside\\keep.txt", "keep");
  Folder("A");
  if (!LinkTo("A\\link", "outside")) GTEST_SKIP() << "the system makes no links to folders here";
  FolderHandle a = OpenFolder(P("A").c_str());
  ASSERT_NE(nullptr, a);
  FolderEntry entry;
  ASSERT_TRUE(NextFolderEntry(a, &entry));
  EXPECT_EQ(kEntryLink, entry.kind);
  EXPECT_EQ(nullptr, OpenFolderIn(a, "link", false));
  FolderHandle through = OpenFolderIn(a, "link", true);
  EXPECT_NE(nullptr, through);
  CloseFolder(through);
  // A copy of the link is a link to the same place.
  Folder("B");
  FolderHandle b = OpenFolder(P("B").c_str());
  ASSERT_NE(nullptr, b);
  ASSERT_TRUE(CopyLinkInto(a, "link", b));
  CloseFolder(b);
  EXPECT_TRUE(std::filesystem::is_symlink(Native(P("B\\link"))));
  EXPECT_EQ("keep", Read("B\\link\\keep.txt"));
  EXPECT_EQ(kAttrReparsePoint | kAttrDirectory, GetPathAttributes(P("B\\link").c_str()));
  // Removing the link leaves what it led to.
  EXPECT_TRUE(RemoveFileIn(a, "link"));
  CloseFolder(a);
  EXPECT_FALSE(Exists("A\\link"));
  EXPECT_EQ("keep", Read("outside\\keep.txt"));
}

}  // namespace
