#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_info.h"
#include "platform/files.h"
#include "platform/system_error.h"
#include "testing/temp_folder_test.h"

// Defined per backend in file_info_<backend>_test.cc.
void* HoldFileOpen(const std::string& path);
void ReleaseHeldFile(void* hold);

namespace {

using CopyFileTest = TempFolderTest;

// The reason an open fails on a file that is in use (ERROR_SHARING_VIOLATION on Windows).
uint32_t SharingViolation(const std::string& path) {
  void* hold = HoldFileOpen(path);
  UnsharedFile* file = OpenUnsharedFile(path.c_str());
  uint32_t reason = LastSystemError();
  EXPECT_EQ(nullptr, file);
  CloseUnsharedFile(file);
  ReleaseHeldFile(hold);
  return reason;
}

// CopyFileA onto the source itself fails with a sharing violation, whatever the path or link
// that names it, and the file keeps its bytes.
TEST_F(CopyFileTest, CopyOntoItselfFailsAndKeepsTheFile) {
  Write("held.txt", "h");
  const uint32_t sharing = SharingViolation(Native(P("held.txt")));
  ASSERT_NE(0u, sharing);
  Write("a.txt", "original bytes");
  Folder("sub");
  std::error_code error;
  std::filesystem::create_hard_link(Native(P("a.txt")), Native(P("hard.txt")), error);
  ASSERT_FALSE(error) << error.message();
  std::vector<std::pair<std::string, std::string>> pairs = {{"a.txt", "a.txt"},
                                                            {"a.txt", "sub\\..\\a.txt"},
                                                            {"sub\\..\\a.txt", ".\\a.txt"},
                                                            {"a.txt", "hard.txt"},
                                                            {"hard.txt", "a.txt"}};
  // Not every system lets us make symbolic links to files.
  std::filesystem::create_symlink(Native(P("a.txt")), Native(P("soft.txt")), error);
  const bool soft = !error;
  if (soft) pairs.push_back({"a.txt", "soft.txt"});
  for (const auto& [from, to] : pairs) {
    SCOPED_TRACE(from + " onto " + to);
    SetLastSystemError(0);
    EXPECT_FALSE(CopyFileTo(P(from).c_str(), P(to).c_str()));
    EXPECT_EQ(sharing, LastSystemError());
    EXPECT_EQ("original bytes", Read("a.txt"));
  }
  if (soft) {
    EXPECT_TRUE(std::filesystem::is_symlink(Native(P("soft.txt")))) << "the link stays";
  }

  // Read-only, it is refused as a read-only target is.
  MakeReadOnly("a.txt");
  EXPECT_FALSE(CopyFileTo(P("a.txt").c_str(), P("a.txt").c_str()));
  EXPECT_EQ("original bytes", Read("a.txt"));

  // Another file of the same bytes is no obstacle.
  ASSERT_TRUE(CopyFileTo(P("a.txt").c_str(), P("b.txt").c_str()));
  ASSERT_TRUE(SetAttributes(P("b.txt").c_str(), kAttrNormal));
  EXPECT_TRUE(CopyFileTo(P("hard.txt").c_str(), P("b.txt").c_str()));
  EXPECT_EQ("original bytes", Read("b.txt"));
}

}  // namespace
