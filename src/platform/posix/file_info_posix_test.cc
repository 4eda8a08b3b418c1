#include "platform/file_info.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "testing/test_support.h"

// Another process holding the file is its exclusive flock; a second open of our own
// stands for that process, since flock locks belong to the open.
void* HoldFileOpen(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || flock(fd, LOCK_EX) != 0) ADD_FAILURE() << "cannot lock " << path;
  return new int(fd);
}

void ReleaseHeldFile(void* hold) {
  close(*static_cast<int*>(hold));
  delete static_cast<int*>(hold);
}

TEST(FileInfoPosixTest, SpecialFilesAreRefusedWithoutBlocking) {
  ScopedTempDir dir;
  std::string fifo = dir.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // A FIFO without a writer would block a plain open for ever.
  EXPECT_EQ(OpenUnsharedFile(fifo.c_str()), nullptr);
  EXPECT_EQ(OpenUnsharedFile("\\dev\\null"), nullptr);
}
