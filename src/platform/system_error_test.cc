#include "platform/system_error.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/file_info.h"
#include "platform/files.h"
#include "platform/launch.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shortcut.h"
#include "testing/temp_folder_test.h"

namespace {

using SystemErrorTest = TempFolderTest;

// Every failing platform call leaves a reason the operation log can report.
TEST_F(SystemErrorTest, EveryFailureLeavesItsReason) {
  Write("file.txt", "f");
  Write("read-only.txt", "r");
  Write("folder\\inside.txt", "i");
  MakeReadOnly("read-only.txt");
  const std::string file = P("file.txt"), read_only = P("read-only.txt"), folder = P("folder");
  FoundEntry found;
  const std::string missing = P("missing.txt"), no_folder = P("no\\such\\file.txt");
  const std::vector<std::pair<const char*, std::function<bool()>>> failures = {
      {"search for a missing file", [&] { return !FindFirstEntry(missing.c_str(), &found); }},
      {"search that matches nothing", [&] { return !FindFirstEntry(P("*.none").c_str(), &found); }},
      {"search with an empty last item", [&] { return !FindFirstEntry(P("").c_str(), &found); }},
      {"attributes of a missing file",
       [&] { return GetPathAttributes(missing.c_str()) == kInvalidAttributes; }},
      {"folder that exists", [&] { return !CreateFolder(folder.c_str()); }},
      {"folder with a wildcard", [&] { return !CreateFolder(P("a*").c_str()); }},
      {"copy of a missing file", [&] { return !CopyFileTo(missing.c_str(), P("c").c_str()); }},
      {"copy of a folder", [&] { return !CopyFileTo(folder.c_str(), P("c").c_str()); }},
      {"copy onto a read-only file", [&] { return !CopyFileTo(file.c_str(), read_only.c_str()); }},
      {"copy onto a folder", [&] { return !CopyFileTo(file.c_str(), folder.c_str()); }},
      {"copy into a missing folder", [&] { return !CopyFileTo(file.c_str(), no_folder.c_str()); }},
      {"copy to a wildcard name", [&] { return !CopyFileTo(file.c_str(), P("c?").c_str()); }},
      {"move of a missing file", [&] { return !MoveEntry(missing.c_str(), P("m").c_str(), true); }},
      {"move onto a file without replace",
       [&] { return !MoveEntry(file.c_str(), read_only.c_str(), false); }},
      {"move onto a read-only file",
       [&] { return !MoveEntry(file.c_str(), read_only.c_str(), true); }},
      {"move to a wildcard name", [&] { return !MoveEntry(file.c_str(), P("m*").c_str(), true); }},
      {"removal of a missing file", [&] { return !RemoveFile(missing.c_str()); }},
      {"removal of a read-only file", [&] { return !RemoveFile(read_only.c_str()); }},
      {"removal of a folder as a file", [&] { return !RemoveFile(folder.c_str()); }},
      {"removal of a full folder", [&] { return !RemoveFolder(folder.c_str()); }},
      {"attributes of a missing path", [&] { return !SetAttributes(missing.c_str(), 0); }},
      {"unshared open of a missing file", [&] { return !OpenUnsharedFile(missing.c_str()); }},
      {"unshared open of a folder", [&] { return !OpenUnsharedFile(folder.c_str()); }},
      {"resources of a file that is no image", [&] { return !OpenResourceModule(file.c_str()); }},
      {"resources of a missing file", [&] { return !OpenResourceModule(missing.c_str()); }},
      {"update of a file that is no image", [&] { return !BeginResourceUpdate(file.c_str()); }},
      {"update of a missing file", [&] { return !BeginResourceUpdate(missing.c_str()); }},
      {"shortcut into a missing folder",
       [&] { return !SaveShortcut(no_folder.c_str(), file.c_str(), "", "", 0); }},
      {"shortcut onto a read-only file",
       [&] { return !SaveShortcut(read_only.c_str(), file.c_str(), "", "", 0); }},
      {"start of a missing program",
       [&] { return !LaunchCommandLine(("\"" + missing + "\"").c_str(), P("").c_str(), false); }},
      {"registry key that does not exist",
       [&] {
         RegistryHandle key = nullptr;
         return !RegistryOpen(kHkeyLocalMachine, "Software\\No Such Publisher\\No Such Key",
                              kKeyRead, &key);
       }},
  };
  for (const auto& [what, fails] : failures) {
    SCOPED_TRACE(what);
    SetLastSystemError(0);
    ASSERT_TRUE(fails());
    EXPECT_NE(0u, LastSystemError());
  }
  EXPECT_EQ("f", Read("file.txt"));
  EXPECT_EQ("r", Read("read-only.txt"));
}

TEST(SystemErrorTextTest, NamesTheReason) {
  SetLastSystemError(0);
  ASSERT_FALSE(RemoveFile("no-such-file-anywhere.txt"));
  std::string text = SystemErrorText(LastSystemError());
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(std::string::npos, text.find('\n')) << text;
}

}  // namespace
