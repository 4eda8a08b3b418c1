#include "platform/posix/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testing/temp_folder_test.h"

namespace {

class FileIoTest : public TempFolderTest {
 protected:
  // Names in the folder, temporary files included.
  std::string Listing() const {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names += (names.empty() ? "" : " ") + entry.path().filename().string();
    }
    return names;
  }
  std::string Target() const { return Native(P("target")); }
  static std::string Sorted(const std::string& names) {
    std::vector<std::string> list;
    std::stringstream in(names);
    for (std::string name; in >> name;) list.push_back(name);
    std::sort(list.begin(), list.end());
    std::string out;
    for (const auto& name : list) out += (out.empty() ? "" : " ") + name;
    return out;
  }
};

// Runs the rest of a scope with unnamed temporary files allowed or not.
class UnnamedFiles {
 public:
  explicit UnnamedFiles(bool allow) { ReplacementFile::AllowUnnamedFiles(allow); }
  ~UnnamedFiles() { ReplacementFile::AllowUnnamedFiles(true); }
};

TEST_F(FileIoTest, ReplacesInOneStepAndKeepsTheOwner) {
  for (bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed ? "unnamed temporary files" : "named temporary files");
    UnnamedFiles mode(unnamed);
    Write("target", "old");
    const bool root = geteuid() == 0;
    if (root) {
      ASSERT_EQ(0, chown(Target().c_str(), 1234, 4321));
    }
    {
      ReplacementFile out;
      ASSERT_TRUE(out.Create(Target()));
      ASSERT_TRUE(WriteAll(out.fd(), "new", 3));
      EXPECT_EQ("old", Read("target"));  // nobody sees the new bytes before the commit
      FileLook look;
      look.mode = 0640;
      ASSERT_TRUE(out.Commit(Target(), look, ReplaceMode::kReplaceExisting));
    }
    EXPECT_EQ("new", Read("target"));
    struct stat st;
    ASSERT_EQ(0, stat(Target().c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    if (root) {
      EXPECT_EQ(1234u, st.st_uid);
      EXPECT_EQ(4321u, st.st_gid);
    }
    EXPECT_EQ("target", Listing());

    // Without replace an existing target stays and says why; nothing is left behind.
    {
      ReplacementFile out;
      ASSERT_TRUE(out.Create(Target()));
      ASSERT_TRUE(WriteAll(out.fd(), "other", 5));
      errno = 0;
      EXPECT_FALSE(out.Commit(Target(), FileLook(), ReplaceMode::kKeepExisting));
      EXPECT_EQ(EEXIST, errno);
    }
    // An update abandoned before its commit leaves nothing either.
    {
      ReplacementFile out;
      ASSERT_TRUE(out.Create(Target()));
      ASSERT_TRUE(WriteAll(out.fd(), "abandoned", 9));
    }
    EXPECT_EQ("new", Read("target"));
    EXPECT_EQ("target", Listing());

    // A new target appears whole; a read-only one or a folder is refused when the mode says
    // so, and nothing is left behind.
    {
      ReplacementFile out;
      ASSERT_TRUE(out.Create(Native(P("fresh"))));
      ASSERT_TRUE(WriteAll(out.fd(), "fresh", 5));
      if (unnamed) {
        EXPECT_EQ("target", Listing());  // no name at all until it is whole
      }
      ASSERT_TRUE(out.Commit(Native(P("fresh")), FileLook(), ReplaceMode::kKeepExisting));
    }
    EXPECT_EQ("fresh", Read("fresh"));
    ASSERT_EQ(0, chmod(Native(P("fresh")).c_str(), 0444));
    Folder("folder");
    for (const char* name : {"fresh", "folder"}) {
      ReplacementFile out;
      ASSERT_TRUE(out.Create(Native(P(name))));
      ASSERT_TRUE(WriteAll(out.fd(), "x", 1));
      errno = 0;
      EXPECT_FALSE(out.Commit(Native(P(name)), FileLook(), ReplaceMode::kReplaceWritableFile));
      EXPECT_EQ(EACCES, errno) << name;
    }
    EXPECT_EQ("fresh", Read("fresh"));
    std::filesystem::remove_all(Native(P("folder")));
    std::filesystem::remove(Native(P("fresh")));
    std::filesystem::remove(Target());
  }
}

// Ctrl-C, a termination or a hang-up while a file is being written removes the temporary
// file and ends the program as the signal would have.
TEST_F(FileIoTest, SignalsRemoveTheFileBeingWritten) {
  UnnamedFiles named(false);  // an unnamed file leaves nothing to remove
  Write("target", "old");
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ReplacementFile out;
      if (!out.Create(Target()) || !WriteAll(out.fd(), "half", 4)) _exit(3);
      raise(signal_number);
      _exit(4);  // not reached
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(signal_number, WTERMSIG(status));
    EXPECT_EQ("target", Listing());
    EXPECT_EQ("old", Read("target"));
  }
}

// A run killed while a named temporary file existed leaves it; the next run that writes in
// that folder removes it, and only what it can prove is a dead run's.
TEST_F(FileIoTest, LeftoversOfDeadRunsAreRemoved) {
  UnnamedFiles named(false);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ReplacementFile out;
    if (!out.Create(Target()) || !WriteAll(out.fd(), "half", 4)) _exit(3);
    _exit(0);  // as a kill: no destructor runs
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_EQ(0, WEXITSTATUS(status));
  std::string left = Listing();
  ASSERT_EQ(0u, left.find(".updater-" + std::to_string(child) + "-")) << left;
  // Not ours to remove: a name we do not make, and the temporary file of a run that lives.
  Write(".updater-notes.txt", "a user's");
  Write(".updater-1-1-1", "init's");
  ReplacementFile out;
  ASSERT_TRUE(out.Create(Target()));
  ASSERT_TRUE(WriteAll(out.fd(), "new", 3));
  ASSERT_TRUE(out.Commit(Target(), FileLook(), ReplaceMode::kReplaceExisting));
  EXPECT_EQ(".updater-1-1-1 .updater-notes.txt target", Sorted(Listing()));
}

// A move between file systems that cannot delete its source afterwards still leaves the
// target whole: Windows then keeps the source and reports success.
TEST_F(FileIoTest, MoveBetweenFileSystemsNeverLosesTheTarget) {
  std::string shm = "/dev/shm/updater-test-" + std::to_string(getpid());
  struct stat a, b;
  if (stat("/dev/shm", &b) != 0 || stat(Native(P("")).c_str(), &a) != 0 || a.st_dev == b.st_dev) {
    GTEST_SKIP() << "no second file system";
  }
  Write("source", "new");
  // Immutable: no one, root included, may delete it, yet its folder is writable.
  if (system(("chattr +i '" + Native(P("source")) + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "the file system cannot make a file immutable";
  }
  ASSERT_EQ(0, mkdir(shm.c_str(), 0700));
  WriteWholeFile(shm + "/target", "old");
  std::string there = CorePath(shm);
  EXPECT_TRUE(MoveEntry(P("source").c_str(), (there + "\\target").c_str(), true));
  EXPECT_EQ("new", ReadWholeFile(shm + "/target"));
  EXPECT_EQ("new", Read("source"));
  EXPECT_EQ(0, system(("chattr -i '" + Native(P("source")) + "'").c_str()));
  std::filesystem::remove_all(shm);
}

}  // namespace
