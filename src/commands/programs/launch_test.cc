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

TEST(LaunchCommandTest, ProgramWhoseNameHoldsAQuoteIsRefused) {
  // Only Linux makes such names. Quoted, each line below would start "tool ", the path's
  // part before its first quote, with the rest as words.
  ScopedTempDir dir;
  std::filesystem::path folder = dir.path() / "tool \"d";
  std::error_code error;
  if (!std::filesystem::create_directory(folder, error))
    GTEST_SKIP() << "the system allows no double quote in a name";
  auto script = [](const std::filesystem::path& path, const char* marker) {
    WriteWholeFile(path.string(), std::string("#!/bin/sh\necho \"$@\" > ") + marker + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  };
  script(dir.path() / "tool ", "short.txt");
  script(dir.path() / "tool \"v2\".sh", "quoted.txt");
  script(dir.path() / "tool v3.sh", "plain.txt");
  script(folder / "app.sh", "folder.txt");
  // The scripts run: what follows fails for the quote alone.
  ASSERT_TRUE(LaunchProgram(CorePath((dir.path() / "tool v3.sh").string()).c_str(), "x", true));
  EXPECT_EQ("x\n", ReadWholeFile(dir.File("plain.txt")));

  EXPECT_FALSE(
      LaunchProgram(CorePath((dir.path() / "tool \"v2\".sh").string()).c_str(), "x", true));
  EXPECT_FALSE(LaunchProgram(CorePath((folder / "app.sh").string()).c_str(), "x", true));
  for (const char* marker : {"short.txt", "quoted.txt", "folder.txt"}) {
    EXPECT_FALSE(std::filesystem::exists(dir.path() / marker)) << marker;
    EXPECT_FALSE(std::filesystem::exists(folder / marker)) << marker;
  }
}
