// The platform's file operations, which both backends give the Windows rules.

#include "commands/files/file_test_support.h"
#include "platform/files.h"

using FileOperationsTest = FileTest;

TEST_F(FileOperationsTest, CopyMoveDeleteRemove) {
  Write("a", "a");
  Write("b", "b");
  Folder("d\\e");
  // A copy keeps the attributes, read-only included.
  ASSERT_TRUE(SetAttributes(P("a").c_str(), kAttrReadOnly | kAttrHidden));
  ASSERT_TRUE(CopyFileTo(P("a").c_str(), P("c").c_str()));
  EXPECT_EQ("a", Read("c"));
  EXPECT_EQ(kAttrReadOnly | kAttrHidden,
            GetPathAttributes(P("c").c_str()) & (kAttrReadOnly | kAttrHidden));
  EXPECT_FALSE(CopyFileTo(P("b").c_str(), P("c").c_str()));
  ASSERT_TRUE(SetAttributes(P("c").c_str(), kAttrNormal));
  EXPECT_TRUE(CopyFileTo(P("b").c_str(), P("c").c_str()));
  EXPECT_EQ("b", Read("c"));
  // Without replace an existing target fails; with it only a writable file is replaced.
  EXPECT_FALSE(MoveEntry(P("b").c_str(), P("c").c_str(), false));
  EXPECT_FALSE(MoveEntry(P("b").c_str(), P("d").c_str(), true));
  EXPECT_FALSE(MoveEntry(P("d\\e").c_str(), P("c").c_str(), true));
  EXPECT_FALSE(MoveEntry(P("b").c_str(), P("a").c_str(), true));
  EXPECT_TRUE(MoveEntry(P("c").c_str(), P("b").c_str(), true));
  EXPECT_FALSE(Exists("c"));
  EXPECT_TRUE(MoveEntry(P("b").c_str(), P("d\\b").c_str(), false));
  EXPECT_TRUE(MoveEntry(P("d\\e").c_str(), P("e").c_str(), false));
  EXPECT_FALSE(MoveEntry(P("missing").c_str(), P("x").c_str(), true));
  EXPECT_EQ("b", Read("d\\b"));
  EXPECT_EQ("a", Read("a"));
  // Deleting: files only, not read-only; removing: empty folders only.
  EXPECT_FALSE(RemoveFile(P("d").c_str()));
  EXPECT_FALSE(RemoveFile(P("a").c_str()));
  EXPECT_FALSE(RemoveFile(P("missing").c_str()));
  EXPECT_FALSE(RemoveFolder(P("d").c_str()));
  EXPECT_FALSE(RemoveFolder(P("a").c_str()));
  EXPECT_TRUE(RemoveFile(P("d\\b").c_str()));
  EXPECT_TRUE(RemoveFolder(P("d").c_str()));
  EXPECT_TRUE(RemoveFolder(P("e\\").c_str()));
  EXPECT_FALSE(Exists("d"));
  EXPECT_FALSE(Exists("e"));
  EXPECT_FALSE(CreateFolder(P("a").c_str()));
  EXPECT_TRUE(CreateFolder(P("f").c_str()));
  EXPECT_FALSE(CreateFolder(P("f").c_str()));
}
