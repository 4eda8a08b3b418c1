// Undoing the file commands' changes: after a failure, after a kill, and not after success.

#include <filesystem>
#include <map>

#include "commands/files/file_test_support.h"
#include "commands/files/tree.h"
#include "foundation/paths.h"
#include "platform/folders.h"
#include "script/rollback.h"

class UndoTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    saved_ = RunSettings;
    WriteWholeFile(aux_.File("updater.ini"), "[UPDATER]\nNAME=T\nPROC=A\nROLLBACK=1\n");
    RunSettings.scriptPath = aux_.File("updater.ini").c_str();
    Write("app\\data\\a", "old a");
    Write("app\\data\\keep", "untouched");
    Write("app\\ro", "read-only");
    Write("app\\tree\\t", "old t");
    Write("old\\o", "o");
    Write("old\\tree\\x\\t", "new t");
    Write("old\\tree\\u", "u");
    Write("patch\\data\\a", "new a");
    Write("patch\\data\\deep\\n", "n");
    MakeReadOnly("app\\ro");
    ASSERT_TRUE(SetAttributes(P("old\\o").c_str(), kAttrHidden | kAttrArchive));
    // Times the changes below would not give by chance.
    for (const char* name : {"app", "app\\data", "app\\tree", "old", "old\\tree", "app\\data\\a"}) {
      MakeOld(P(name));
    }
  }
  void TearDown() override {
    AbandonRollback();
    RunSettings = saved_;
    FileTest::TearDown();
  }

  // Every entry under the folder: its look (attributes, time) and its bytes.
  std::map<std::string, std::string> State() const {
    std::map<std::string, std::string> state;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path())) {
      std::string path = Core(entry.path().string());
      std::string& value = state[path.substr(P("").size())];
      value = GetEntryLook(path.c_str());
      if (entry.is_regular_file()) value += " " + ReadWholeFile(entry.path().string());
    }
    return state;
  }

  // One of each change the tree operations make.
  void Change() {
    UndoBatch* undo = RunUndo();
    ASSERT_NE(nullptr, undo);
    EXPECT_TRUE(CopyPath(T("patch\\data"), T("app\\data"), undo));
    EXPECT_TRUE(CopyPath(T("patch\\data\\a"), T("app\\new\\a"), undo));
    EXPECT_TRUE(MovePath(T("old\\tree"), T("app\\tree"), undo));  // entry by entry
    EXPECT_TRUE(MovePath(T("app\\new"), T("app\\moved"), undo));   // in one step
    EXPECT_TRUE(DeletePath(T("old\\o"), undo));
    EXPECT_TRUE(DeletePath(T("app\\data"), undo));
    EXPECT_TRUE(SetPathAttributes(T("app\\ro"), kAttrHidden, undo));
    undo->MakesPath(T("app\\made\\deep"));
    EXPECT_TRUE(undo->Commit());
    EXPECT_TRUE(MakePath(T("app\\made\\deep")));
  }

  // The rollback folder of this script, if any is left.
  bool JournalLeft() const {
    std::string base;
    if (!RollbackFolder(&base)) return false;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(Native(base), ignored)) {
      if (ReadWholeFile((entry.path() / "journal").string()).find(aux_.File("updater.ini")) !=
          std::string::npos) {
        return true;
      }
    }
    return false;
  }

  RunSettingsData saved_;
  ScopedTempDir state_;
  ScopedEnvironment state_home_{"XDG_STATE_HOME", state_.path().string().c_str()};
};

TEST_F(UndoTest, FailedRunPutsEverythingBack) {
  auto before = State();
  ASSERT_TRUE(BeginRollback(RunSettings.scriptPath));
  Change();
  EXPECT_FALSE(Exists("old\\o"));
  EXPECT_EQ("new t", Read("app\\tree\\x\\t"));
  EXPECT_NE(before, State());
  EndRollback(true);
  EXPECT_EQ(before, State());
  EXPECT_TRUE(ReadOnly("app\\ro"));
  EXPECT_FALSE(JournalLeft());
  EXPECT_EQ("", Transcript());
}

TEST_F(UndoTest, RunThatEndsKeepsItsChangesAndNoJournal) {
  ASSERT_TRUE(BeginRollback(RunSettings.scriptPath));
  EXPECT_TRUE(JournalLeft());
  Change();
  auto after = State();
  EndRollback(false);
  EXPECT_EQ(after, State());
  EXPECT_FALSE(JournalLeft());
}

TEST_F(UndoTest, WithoutTheKeyNothingIsJournaled) {
  for (const char* value : {"", "0", "yes", "NO_DATA"}) {
    WriteWholeFile(aux_.File("updater.ini"),
                   std::string("[UPDATER]\nPROC=A\nROLLBACK=") + value + "\n");
    EXPECT_TRUE(BeginRollback(RunSettings.scriptPath)) << value;
    EXPECT_EQ(nullptr, RunUndo()) << value;
  }
  EXPECT_FALSE(JournalLeft());
  EXPECT_EQ("", Transcript());
}

TEST_F(UndoTest, NextStartUndoesAKilledRun) {
  auto before = State();
  ASSERT_TRUE(BeginRollback(RunSettings.scriptPath));
  Change();
  AbandonRollback();
  // A line the kill cut off, and another script's start: neither is this run's undo.
  std::string base;
  ASSERT_TRUE(RollbackFolder(&base));
  for (const auto& entry : std::filesystem::directory_iterator(Native(base))) {
    std::string journal = (entry.path() / "journal").string();
    WriteWholeFile(journal, ReadWholeFile(journal) + "999\tC\t" + P("app\\ro"));
  }
  RecoverInterruptedRun((aux_.File("updater.ini") + "x").c_str());
  EXPECT_EQ("", Transcript());
  EXPECT_NE(before, State());

  RecoverInterruptedRun(RunSettings.scriptPath);
  EXPECT_EQ(before, State());
  EXPECT_FALSE(JournalLeft());
  EXPECT_NE(std::string::npos, Transcript().find("\"style\": 64"));
  ClearTranscript();
  RecoverInterruptedRun(RunSettings.scriptPath);
  EXPECT_EQ("", Transcript());
}

TEST_F(UndoTest, ARunningJournalIsNotRecovered) {
  ASSERT_TRUE(BeginRollback(RunSettings.scriptPath));
  EXPECT_TRUE(CopyPath(T("patch\\data\\a"), T("app\\data\\a"), RunUndo()));
  // A second start of the same script while the first still runs.
  RecoverInterruptedRun(RunSettings.scriptPath);
  EXPECT_EQ("new a", Read("app\\data\\a"));
  EXPECT_EQ("", Transcript());
  EndRollback(true);
  EXPECT_EQ("old a", Read("app\\data\\a"));
}
