#include "platform/resources.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "standins/pe_test_image.h"
#include "testing/test_support.h"

bool UpdatesAsWindowsDoes() { return true; }

namespace {

std::string ImageText(const TestImageLayout& layout) {
  std::vector<uint8_t> bytes = MakeTestImage(layout);
  return std::string(bytes.begin(), bytes.end());
}

bool Commit(const std::string& path, const std::string& data) {
  ResourceUpdate update = BeginResourceUpdate(CorePath(path).c_str());
  if (!update) return false;
  return WriteResource(update, "#10", "DATA", 0x409, data.data(), data.size()) &&
         EndResourceUpdate(update, false);
}

size_t EntryCount(const ScopedTempDir& dir) {
  auto entries = std::filesystem::directory_iterator(dir.path());
  return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

}  // namespace

TEST(RsrcPosixTest, CommitReplacesTheFileInOneStep) {
  ScopedTempDir dir;
  std::string target = dir.File("target.exe");
  WriteWholeFile(target, ImageText({}));
  ASSERT_EQ(0, chmod(target.c_str(), 0751));
  // Through a symbolic link the file itself is updated, with its permissions, and the link
  // stays; no temporary file is left behind.
  ASSERT_EQ(0, symlink("target.exe", dir.File("link.exe").c_str()));
  ASSERT_TRUE(Commit(dir.File("link.exe"), "data"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.exe")));
  struct stat st;
  ASSERT_EQ(0, stat(target.c_str(), &st));
  EXPECT_EQ(0751u, st.st_mode & 07777);
  std::string bytes = ReadWholeFile(target);
  EXPECT_EQ("10/DATA/0409=data ", DescribeImage(std::vector<uint8_t>(bytes.begin(), bytes.end())));
  EXPECT_EQ(2u, EntryCount(dir));

  // A commit that cannot be made (no room for another section header) leaves the file
  // exactly as it was, and nothing beside it.
  TestImageLayout crowded;
  crowded.section_after_resources = true;
  crowded.full_section_table = true;
  WriteWholeFile(target, ImageText(crowded));
  EXPECT_FALSE(Commit(target, std::string(0x2000, 'x')));
  EXPECT_EQ(ImageText(crowded), ReadWholeFile(target));
  EXPECT_EQ(2u, EntryCount(dir));
}
