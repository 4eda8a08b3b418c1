#include "commands/programs/launch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/code_page.h"
#include "platform/program.h"
#include "testing/test_support.h"

TEST(LaunchCommandTest, FolderOfPath) {
  // Code page 932: the second byte of a character may be a backslash; it separates nothing.
  ScopedCodePage cp932(932);
  const std::pair<const char*, const char*> paths[] = {{"C:\\dir\\a.exe", "C:\\dir"},
                                                       {"C:\\a.exe", "C:"},
                                                       {"\\\\srv\\sh\\a", "\\\\srv\\sh"},
                                                       {"C:\\dir\\", "C:\\dir"},
                                                       {"C:\\d\\\x95\x5c.exe", "C:\\d"},
                                                       {"C:\\\x95\x5c\\a.exe", "C:\\\x95\x5c"},
                                                       {"a.exe", nullptr},
                                                       {"\\a.exe", nullptr},
                                                       {"", nullptr},
                                                       {"\x95\x5c.exe", nullptr}};
  for (const auto& [path, folder] : paths) {
    TextString out = "unchanged";
    EXPECT_EQ(GetFolderOfPath(path, out), folder != nullptr) << path;
    EXPECT_STREQ(out.GetText(), folder ? folder : "unchanged") << path;
  }
}

TEST(LaunchCommandTest, ProgramIsQuotedWhenItNamesAFile) {
  ScopedTempDir dir;
  std::string name = ProgramNamesHaveExtensions() ? "test_helper.exe" : "test_helper";
  std::string built = ProgramPath();
  built = built.substr(0, built.rfind('\\') + 1) + name;
  for (char& c : built) c = c == '\\' && !ProgramNamesHaveExtensions() ? '/' : c;
  std::filesystem::path folder = dir.path() / "My App";
  std::filesystem::create_directory(folder);
  std::filesystem::copy_file(built, folder / name);
  std::filesystem::copy_file(built, dir.path() / name);
  // Unquoted, "...\My" (Windows: "...\My.exe"), a file that is no program, would run.
  WriteWholeFile(dir.File(ProgramNamesHaveExtensions() ? "My.exe" : "My"), "not a program");

  std::string program = (folder / name).string();
  for (char& c : program) c = c == '/' ? '\\' : c;
  ASSERT_TRUE(LaunchProgram(program.c_str(), "write out.txt x", true));
  EXPECT_EQ(ReadWholeFile((folder / "out.txt").string()), "x\n" + folder.string() + "\n");
  // A program text holding parameters names no file and goes on the line as written.
  program = dir.path().string() + "/" + name + " write";
  for (char& c : program) c = c == '/' ? '\\' : c;
  ASSERT_TRUE(LaunchProgram(program.c_str(), "out2.txt y", true));
  EXPECT_EQ(ReadWholeFile(dir.File("out2.txt")), "y\n" + dir.path().string() + "\n");
}
