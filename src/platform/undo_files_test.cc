// The file system calls undoing an update relies on, on both platforms.

#include "platform/files.h"
#include "testing/temp_folder_test.h"

using UndoFilesTest = TempFolderTest;

TEST_F(UndoFilesTest, SecondNamesAndRemovalWhateverTheAttributes) {
  Write("a", "bytes");
  MakeReadOnly("a");
  ASSERT_TRUE(MakeHardLink(P("a").c_str(), P("b").c_str()));
  EXPECT_FALSE(MakeHardLink(P("a").c_str(), P("b").c_str()));  // taken
  EXPECT_TRUE(RemoveFileAnyway(P("a").c_str()));
  EXPECT_FALSE(Exists("a"));
  // The other name keeps the bytes and the read-only attribute the removal had to lift.
  EXPECT_EQ("bytes", Read("b"));
  EXPECT_TRUE(ReadOnly("b"));
  Folder("f");
  EXPECT_FALSE(RemoveFileAnyway(P("f").c_str()));
  EXPECT_FALSE(RemoveFileAnyway(P("missing").c_str()));
  EXPECT_TRUE(Exists("f"));
}

TEST_F(UndoFilesTest, LookComesBack) {
  Write("f\\a", "x");
  ASSERT_TRUE(SetAttributes(P("f\\a").c_str(), kAttrReadOnly | kAttrHidden));
  MakeOld(P("f"));
  std::string file = GetEntryLook(P("f\\a").c_str());
  std::string folder = GetEntryLook(P("f").c_str());
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(std::string::npos, file.find('\t'));
  ASSERT_TRUE(SetAttributes(P("f\\a").c_str(), kAttrArchive));
  Write("f\\b", "changes the folder's time");
  EXPECT_NE(folder, GetEntryLook(P("f").c_str()));
  EXPECT_TRUE(SetEntryLook(P("f\\a").c_str(), file));
  EXPECT_TRUE(SetEntryLook(P("f").c_str(), folder));
  EXPECT_EQ(file, GetEntryLook(P("f\\a").c_str()));
  EXPECT_EQ(folder, GetEntryLook(P("f").c_str()));
  EXPECT_EQ(kAttrReadOnly | kAttrHidden,
            GetPathAttributes(P("f\\a").c_str()) & (kAttrReadOnly | kAttrHidden | kAttrSystem));
  EXPECT_EQ("", GetEntryLook(P("missing").c_str()));
  EXPECT_FALSE(SetEntryLook(P("missing").c_str(), file));
  EXPECT_FALSE(SetEntryLook(P("f\\a").c_str(), "not a look"));
}

TEST_F(UndoFilesTest, DurableFileIsAppendedAndHeldByOne) {
  std::string path = P("journal");
  DurableFile file = OpenDurableFile(path.c_str());
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(AppendDurably(file, "one\n"));
  EXPECT_TRUE(AppendDurably(file, "two\n"));
  std::string text;
  EXPECT_TRUE(ReadDurableFile(file, &text));
  EXPECT_EQ("one\ntwo\n", text);
  EXPECT_EQ(nullptr, OpenDurableFile(path.c_str()));  // a second run finds it taken
  CloseDurableFile(file);
  file = OpenDurableFile(path.c_str());
  ASSERT_NE(nullptr, file);
  EXPECT_TRUE(AppendDurably(file, "three\n"));
  EXPECT_TRUE(ReadDurableFile(file, &text));
  EXPECT_EQ("one\ntwo\nthree\n", text);
  CloseDurableFile(file);
  EXPECT_TRUE(SyncFolder(P("").c_str()));
}
