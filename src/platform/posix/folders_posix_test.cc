#include "platform/folders.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/posix/system_path.h"
#include "testing/test_support.h"

namespace {

// A home folder of our own, and none of the caller's XDG or updater variables.
class FoldersPosixTest : public ::testing::Test {
 protected:
  FoldersPosixTest() { std::filesystem::create_directories(home_dir_.path() / ".config"); }

  std::string Home() const { return FromSystemPath(home_dir_.path().string()); }
  static std::string Folder(unsigned csidl) {
    std::string out = "none";
    return SpecialFolder(csidl, &out) ? out : "none";
  }
  static void WriteUserDirs(const std::string& folder, const std::string& text) {
    std::filesystem::create_directories(folder);
    WriteWholeFile(folder + "/user-dirs.dirs", text);
  }

  ScopedTempDir home_dir_, elsewhere_;
  ScopedEnvironment home_{"HOME", home_dir_.path().c_str()}, config_{"XDG_CONFIG_HOME", nullptr},
      data_{"XDG_DATA_HOME", nullptr}, windir_{"UPDATER_WINDIR", nullptr},
      sysdir_{"UPDATER_SYSDIR", nullptr}, tmpdir_{"TMPDIR", nullptr};
};

}  // namespace

TEST_F(FoldersPosixTest, WindowsSystemAndTemporaryFolders) {
  EXPECT_EQ(WindowsFolder(), "\\usr\\share");
  EXPECT_EQ(SystemFolder(), "\\usr\\lib");
  EXPECT_EQ(TempPath(), "\\tmp\\");
  ScopedEnvironment windir("UPDATER_WINDIR", "/srv/win/");
  ScopedEnvironment sysdir("UPDATER_SYSDIR", "/");
  ScopedEnvironment tmpdir("TMPDIR", "/var/tmp//");
  EXPECT_EQ(Folder(0x24), "\\srv\\win");
  EXPECT_EQ(Folder(0x25), "\\");
  EXPECT_EQ(TempPath(), "\\var\\tmp\\");
  // Empty counts as unset.
  ScopedEnvironment empty("TMPDIR", "");
  EXPECT_EQ(TempPath(), "\\tmp\\");
}

TEST_F(FoldersPosixTest, DefaultsBelowHome) {
  std::string home = Home(), menu = home + "\\.local\\share\\applications";
  struct Case {
    std::vector<unsigned> csidls;
    std::string folder;
  };
  // Last: no counterpart (fonts, recycle bin), a flag bit.
  for (const Case& c : std::vector<Case>{{{0x00, 0x10, 0x19}, home + "\\Desktop"},
                                         {{0x02, 0x0B, 0x16, 0x17}, menu},
                                         {{0x05}, home + "\\Documents"},
                                         {{0x07, 0x18}, home + "\\.config\\autostart"},
                                         {{0x1A}, home + "\\.config"},
                                         {{0x1C}, home + "\\.local\\share"},
                                         {{0x23}, "\\var\\lib"},
                                         {{0x26}, "\\opt"},
                                         {{0x28}, home},
                                         {{0x14, 0x0A, 0x8010}, "none"}}) {
    for (unsigned csidl : c.csidls) EXPECT_EQ(Folder(csidl), c.folder) << csidl;
  }
  // Nothing is created.
  EXPECT_FALSE(std::filesystem::exists(home_dir_.path() / "Desktop"));
  EXPECT_FALSE(std::filesystem::exists(home_dir_.path() / ".local"));
}

TEST_F(FoldersPosixTest, XdgVariablesAndUserDirs) {
  std::string config = elsewhere_.File("config"), data = elsewhere_.File("data");
  ScopedEnvironment config_home("XDG_CONFIG_HOME", config.c_str());
  ScopedEnvironment data_home("XDG_DATA_HOME", (data + "/").c_str());
  // The last valid line wins; shell escapes; a relative or literal "$HOME" path is no path.
  WriteUserDirs(config,
                "# written by xdg-user-dirs-update\n"
                "XDG_DESKTOP_DIR=\"$HOME/Old\"\n"
                "  XDG_DESKTOP_DIR=\"$HOME/Schreib \\\"tisch\\\"/\"\n"
                "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n"
                "XDG_DOCUMENTS_DIR=\"relative\"\n"
                "XDG_DOCUMENTS_DIR=\"\\$HOME/literal\"\n"
                "XDG_DOCUMENTS_DIR=\"/srv/unclosed\n");
  EXPECT_EQ(Folder(0x10), Home() + "\\Schreib \"tisch\"");
  EXPECT_EQ(Folder(0x05), "\\srv\\docs");
  EXPECT_EQ(Folder(0x02), FromSystemPath(data) + "\\applications");
  EXPECT_EQ(Folder(0x07), FromSystemPath(config) + "\\autostart");

  // A relative XDG variable is ignored: the file then comes from the home folder.
  ScopedEnvironment relative("XDG_CONFIG_HOME", "relative");
  WriteUserDirs(home_dir_.path().string() + "/.config", "XDG_DESKTOP_DIR=\"$HOME\"\n");
  EXPECT_EQ(Folder(0x1A), Home() + "\\.config");
  EXPECT_EQ(Folder(0x00), Home());
}

TEST_F(FoldersPosixTest, WithoutHome) {
  ScopedEnvironment no_home("HOME", nullptr);
  std::string out = "kept";
  for (unsigned csidl : {0x28, 0x10, 0x1A, 0x02}) EXPECT_FALSE(SpecialFolder(csidl, &out));
  EXPECT_EQ(out, "kept");
  EXPECT_EQ(Folder(0x23), "\\var\\lib");

  // An absolute user folder needs no home; one below $HOME does.
  std::string config = elsewhere_.File("config");
  ScopedEnvironment config_home("XDG_CONFIG_HOME", config.c_str());
  WriteUserDirs(config, "XDG_DESKTOP_DIR=\"/srv/desk\"\nXDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
  EXPECT_EQ(Folder(0x10), "\\srv\\desk");
  EXPECT_EQ(Folder(0x05), "none");
}
