// LINK: its keys, list handling, messages, and the shortcut files it saves, read back.

#include "commands/programs/link.h"

#include <memory>
#include <string>

#include "commands/files/file_test_support.h"
#include "standins/shell_link.h"
#include "platform/program.h"
#include "script/messages.h"

class LinkTest : public FileTest {
 protected:
  // The shell's link object needs COM, which the program's entry initialises.
  void SetUp() override {
    FileTest::SetUp();
    InitializeCom();
  }
  void TearDown() override {
    UninitializeCom();
    FileTest::TearDown();
  }
  std::unique_ptr<SHORTCUT_INFO> Make(const std::string& src, const std::string& param,
                                      const std::string& show, const std::string& dst) {
    auto record = std::make_unique<SHORTCUT_INFO>();
    record->sectionName = "Proc";
    record->src = src.c_str();
    record->param = param.c_str();
    record->showCmd = show.c_str();
    record->dst = dst.c_str();
    return record;
  }
  ShellLink ReadLink(const std::string& name) const {
    ShellLink link;
    EXPECT_TRUE(ReadShellLink(Read(name), &link)) << name;
    return link;
  }
};

TEST_F(LinkTest, LoadReadsTheKeysInOrder) {
  RunSettingsData saved = RunSettings;
  WriteWholeFile(aux_.File("updater.ini"),
                 "[L]\nMODE=link\nSRC=a, b\nPARAM=\nSHOWCMD=2\nDST=x\n[N]\nMODE=LINK\nSRC=a\n"
                 "PARAM=p\nDST=x\n[D]\nMODE=LINK\nSRC=a\nPARAM=p\nSHOWCMD=1\nDST=No_Data\n");
  RunSettings.scriptPath = aux_.File("updater.ini").c_str();
  std::unique_ptr<ProcRecord> record(LoadLink("L"));
  ASSERT_TRUE(record);
  auto* link = static_cast<SHORTCUT_INFO*>(record.get());
  EXPECT_STREQ("link", link->mode.GetText());
  EXPECT_STREQ("a, b", link->src.GetText());
  EXPECT_STREQ("", link->param.GetText());
  EXPECT_STREQ("2", link->showCmd.GetText());
  EXPECT_STREQ("x", link->dst.GetText());
  EXPECT_EQ(0, link->result);
  EXPECT_EQ(nullptr, LoadLink("N"));
  EXPECT_EQ(nullptr, LoadLink("D"));
  EXPECT_EQ(ErrorBox(kMsgBadFormat, "N", "SHOWCMD") + ErrorBox(kMsgBadFormat, "D", "DST"),
            Transcript());
  RunSettings = saved;
}

TEST_F(LinkTest, ShortcutsHoldTargetFolderArgumentsAndWindowState) {
  // Items are trimmed; SHOWCMD is read as "%d" reads it; a shorter list gives empty items.
  auto record = Make(" C:\\Apps\\Tool\\tool.exe ,C:\\root.exe, C:\\Apps\\b.exe,C:\\Apps\\c.exe",
                     " -a \"b c\" ,, x", "2, 3x,0",
                     P("menu\\sub\\Tool") + "," + P("Root.lnk") + ", " + P("B") + "," + P("C"));
  ASSERT_TRUE(ExecuteLink(record.get()));
  EXPECT_EQ(1, record->result);
  EXPECT_EQ("", Transcript());

  ShellLink link = ReadLink("menu\\sub\\Tool.LNK");
  EXPECT_EQ("C:\\Apps\\Tool\\tool.exe", link.target_ansi);
  EXPECT_EQ("C:\\Apps\\Tool", link.working_folder);
  EXPECT_EQ("-a \"b c\"", link.arguments);
  EXPECT_EQ(kShowMinNoActive, link.show_command);
  // A DST ending in the extension gets it again; a target under the root works in the
  // drive alone.
  EXPECT_FALSE(Exists("Root.lnk"));
  link = ReadLink("Root.lnk.LNK");
  EXPECT_EQ("C:", link.working_folder);
  EXPECT_EQ("", link.arguments);
  EXPECT_EQ(kShowMaximized, link.show_command);
  link = ReadLink("B.LNK");
  EXPECT_EQ("C:\\Apps", link.working_folder);
  EXPECT_EQ("x", link.arguments);
  EXPECT_EQ(kShowNormal, link.show_command) << "0 keeps the default";
  link = ReadLink("C.LNK");
  EXPECT_EQ(kShowNormal, link.show_command) << "a missing item keeps the default";

  // An existing shortcut is replaced.
  record = Make("C:\\Other\\o.exe", "", "1", P("B"));
  ASSERT_TRUE(ExecuteLink(record.get()));
  EXPECT_EQ("C:\\Other\\o.exe", ReadLink("B.LNK").target_ansi);
}

// The end-to-end cases show the other messages; these depend on what is at the path.
TEST_F(LinkTest, PathsThatCannotBeSaved) {
  // A path of 259 characters, extension included, is the longest that is saved.
  std::string base = P("long\\");
  std::string name(259 - base.size() - 4, 'n');
  auto record = Make("C:\\a.exe", "", "1", base + name);
  EXPECT_TRUE(ExecuteLink(record.get()));
  EXPECT_TRUE(Exists("long\\" + name + ".LNK"));

  // One more, a folder in the way, a read-only shortcut: message 15, nothing written.
  Folder("folder.LNK");
  Write("ro.LNK", "keep");
  MakeReadOnly("ro.LNK");
  for (const std::string& dst : {base + name + "n", P("folder"), P("ro")}) {
    record = Make("C:\\a.exe", "", "1", dst);
    ClearTranscript();
    EXPECT_FALSE(ExecuteLink(record.get())) << dst;
    EXPECT_EQ(ErrorBox(kMsgLinkFailed, "C:\\a.exe", dst.c_str()), Transcript());
    EXPECT_EQ(0, record->result);
  }
  EXPECT_FALSE(Exists("long\\" + name + "n.LNK"));
  EXPECT_EQ("keep", Read("ro.LNK"));
}
