#include "platform/folders.h"

#include <string>

#include <gtest/gtest.h>

#include "foundation/text_string.h"
#include "platform/files.h"

namespace {

bool IsFolder(const std::string& path) {
  uint32_t attributes = GetPathAttributes(path.c_str());
  return attributes != kInvalidAttributes && (attributes & kAttrDirectory);
}

}  // namespace

TEST(FoldersTest, SystemFolders) {
  // Existing folders, without a trailing backslash; the temporary one ends with it.
  for (const std::string& folder : {WindowsFolder(), SystemFolder()}) {
    ASSERT_GT(folder.size(), 1u);
    EXPECT_NE(folder.back(), '\\') << folder;
    EXPECT_TRUE(IsFolder(folder)) << folder;
  }
  EXPECT_NE(WindowsFolder(), SystemFolder());
  std::string temp = TempPath();
  ASSERT_GT(temp.size(), 1u);
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(IsFolder(temp.substr(0, temp.size() - 1))) << temp;
}

TEST(FoldersTest, SpecialFolders) {
  // The shell's Windows and system folders are the kernel's.
  std::string out;
  ASSERT_TRUE(SpecialFolder(0x24, &out));
  EXPECT_TRUE(TextString(out.c_str()) == TextString(WindowsFolder().c_str())) << out;
  ASSERT_TRUE(SpecialFolder(0x25, &out));
  EXPECT_TRUE(TextString(out.c_str()) == TextString(SystemFolder().c_str())) << out;

  // The desktop and its folder are one place; folders never end with a backslash.
  std::string desktop, desktop_folder;
  ASSERT_TRUE(SpecialFolder(0x00, &desktop));
  ASSERT_TRUE(SpecialFolder(0x10, &desktop_folder));
  EXPECT_EQ(desktop, desktop_folder);
  for (unsigned csidl : {0x10u, 0x26u, 0x28u}) {
    out.clear();
    ASSERT_TRUE(SpecialFolder(csidl, &out)) << csidl;
    ASSERT_FALSE(out.empty()) << csidl;
    EXPECT_NE(out.back(), '\\') << csidl;
  }

  // A number no system knows: false, the text untouched.
  out = "kept";
  EXPECT_FALSE(SpecialFolder(0xFF, &out));
  EXPECT_EQ(out, "kept");
}
