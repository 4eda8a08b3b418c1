// The Linux stand-ins for the Windows file rules.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

#include "foundation/code_page.h"
#include "foundation/paths.h"
#include "platform/files.h"
#include "platform/posix/system_path.h"
#include "testing/temp_folder_test.h"

namespace {

mode_t Mode(const std::string& native) {
  struct stat st;
  return stat(native.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::string StoredText(const std::string& native) {
  char text[32];
  ssize_t n = getxattr(native.c_str(), "user.DOSATTRIB", text, sizeof text);
  return n < 0 ? "(none)" : std::string(text, n);
}

}  // namespace

using FilesPosixTest = TempFolderTest;

TEST_F(FilesPosixTest, ReadOnlyIsHonouredAlsoForRoot) {
  Write("ro", "keep");
  Write("src", "new");
  ASSERT_TRUE(SetAttributes(P("ro").c_str(), kAttrReadOnly));
  EXPECT_EQ(0444, Mode(Native(P("ro"))));
  // Root may write there as far as the kernel goes; the Windows rule still refuses.
  if (geteuid() == 0) {
    EXPECT_EQ(0, access(Native(P("ro")).c_str(), W_OK));
  }
  EXPECT_FALSE(CopyFileTo(P("src").c_str(), P("ro").c_str()));
  EXPECT_FALSE(MoveEntry(P("src").c_str(), P("ro").c_str(), true));
  EXPECT_FALSE(RemoveFile(P("ro").c_str()));
  EXPECT_EQ("keep", Read("ro"));
  EXPECT_EQ("new", Read("src"));
  // Clearing read-only gives the owner write permission back, nobody else.
  ASSERT_TRUE(SetAttributes(P("ro").c_str(), kAttrNormal));
  EXPECT_EQ(0644, Mode(Native(P("ro"))));
  chmod(Native(P("ro")).c_str(), 0640);
  ASSERT_TRUE(SetAttributes(P("ro").c_str(), kAttrArchive));
  EXPECT_EQ(0640, Mode(Native(P("ro"))));
  EXPECT_TRUE(RemoveFile(P("ro").c_str()));
}

TEST_F(FilesPosixTest, StoredAttributes) {
  Write("f", "");
  Folder("d");
  ASSERT_TRUE(SetAttributes(P("f").c_str(), kAttrReadOnly | kAttrHidden | kAttrArchive | 0x2000));
  EXPECT_EQ("0x22", StoredText(Native(P("f"))));
  EXPECT_EQ(kAttrReadOnly | kAttrHidden | kAttrArchive, GetPathAttributes(P("f").c_str()));
  FoundEntry entry;
  FileSearchHandle search = FindFirstEntry(P("F*").c_str(), &entry);
  ASSERT_NE(nullptr, search);
  EXPECT_EQ(kAttrReadOnly | kAttrHidden | kAttrArchive, entry.attributes);
  FindCloseSearch(search);
  ASSERT_TRUE(SetAttributes(P("f").c_str(), 0));
  EXPECT_EQ("(none)", StoredText(Native(P("f"))));
  EXPECT_EQ(kAttrNormal, GetPathAttributes(P("f").c_str()));
  // A folder takes the stored bits but keeps its permissions.
  mode_t mode = Mode(Native(P("d")));
  ASSERT_TRUE(SetAttributes(P("d").c_str(), kAttrReadOnly | kAttrSystem));
  EXPECT_EQ(mode, Mode(Native(P("d"))));
  EXPECT_EQ(kAttrDirectory | kAttrSystem, GetPathAttributes(P("d").c_str()));
  EXPECT_FALSE(SetAttributes(P("missing").c_str(), kAttrNormal));
}

TEST_F(FilesPosixTest, CopyKeepsModeTimeAndAttributes) {
  Write("src", "contents");
  ASSERT_TRUE(SetAttributes(P("src").c_str(), kAttrHidden));
  chmod(Native(P("src")).c_str(), 0750);
  struct timespec times[2] = {{1000000000, 0}, {1000000000, 123456789}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, Native(P("src")).c_str(), times, 0));
  Write("dst", "old contents, longer");
  ASSERT_TRUE(CopyFileTo(P("src").c_str(), P("dst").c_str()));
  EXPECT_EQ("contents", Read("dst"));
  EXPECT_EQ(0750, Mode(Native(P("dst"))));
  struct stat st;
  ASSERT_EQ(0, stat(Native(P("dst")).c_str(), &st));
  EXPECT_EQ(1000000000, st.st_mtim.tv_sec);
  EXPECT_EQ(123456789, st.st_mtim.tv_nsec);
  EXPECT_EQ(kAttrHidden, GetPathAttributes(P("dst").c_str()));
  // Failures leave the target and no temporary file behind.
  EXPECT_FALSE(CopyFileTo(P("missing").c_str(), P("dst").c_str()));
  EXPECT_FALSE(CopyFileTo(P("src").c_str(), P("no\\dst").c_str()));
  Folder("d");
  EXPECT_FALSE(CopyFileTo(P("d").c_str(), P("dst").c_str()));
  EXPECT_FALSE(CopyFileTo(P("src").c_str(), P("d").c_str()));
  EXPECT_EQ("contents", Read("dst"));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(Native(P(""))))
    entries += !e.is_directory();
  EXPECT_EQ(2, entries);
}

TEST_F(FilesPosixTest, MoveAcrossFileSystems) {
  std::string shm = "/dev/shm/updater-test-" + std::to_string(getpid());
  struct stat a, b;
  if (stat("/dev/shm", &b) != 0 || stat(Native(P("")).c_str(), &a) != 0 || a.st_dev == b.st_dev) {
    GTEST_SKIP() << "no second file system";
  }
  ASSERT_EQ(0, mkdir(shm.c_str(), 0700));
  std::string there = Core(shm);
  Write("a", "a");
  Write("b", "b");
  WriteWholeFile(shm + "/b", "old");
  EXPECT_TRUE(MoveEntry(P("a").c_str(), (there + "\\a").c_str(), false));
  EXPECT_FALSE(MoveEntry(P("b").c_str(), (there + "\\b").c_str(), false));
  EXPECT_EQ("old", ReadWholeFile(shm + "/b"));
  EXPECT_TRUE(MoveEntry(P("b").c_str(), (there + "\\b").c_str(), true));
  EXPECT_EQ("a", ReadWholeFile(shm + "/a"));
  EXPECT_EQ("b", ReadWholeFile(shm + "/b"));
  EXPECT_FALSE(Exists("a"));
  EXPECT_FALSE(Exists("b"));
  std::filesystem::remove_all(shm);
}

TEST_F(FilesPosixTest, NamesFollowWindowsRules) {
  Write("Name.TXT", "n");
  // Patterns match without regard to ASCII case; an exact name is looked up as written.
  EXPECT_NE(kInvalidAttributes, GetPathAttributes(P("Name.TXT").c_str()));
  EXPECT_EQ(kInvalidAttributes, GetPathAttributes(P("name.txt").c_str()));
  FoundEntry entry;
  FileSearchHandle search = FindFirstEntry(P("name.*").c_str(), &entry);
  ASSERT_NE(nullptr, search);
  EXPECT_EQ("Name.TXT", entry.name);
  FindCloseSearch(search);
  // No wildcard in the name of anything made.
  EXPECT_FALSE(CreateFolder(P("a*").c_str()));
  EXPECT_FALSE(CopyFileTo(P("Name.TXT").c_str(), P("b?").c_str()));
  EXPECT_FALSE(MoveEntry(P("Name.TXT").c_str(), P("c*").c_str(), true));
  EXPECT_TRUE(Exists("Name.TXT"));
}
