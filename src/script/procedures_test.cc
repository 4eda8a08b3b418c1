#include "script/procedures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>

#include "foundation/globals.h"
#include "platform/code_page.h"
#include "platform/string_table.h"
#include "script/messages.h"
#include "script/show_box.h"
#include "script/startup.h"
#include "script/symbols.h"
#include "testing/test_support.h"

// Runs whole scripts through the loader and the executor, as the entry does, and reads
// what they showed from the unattended transcript.
class ProceduresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoxState();
    saved_settings_ = RunSettings;
  }
  void TearDown() override {
    FreeAllProcLists();
    RunSettings = saved_settings_;
    ResetBoxState();
  }
  // Runs the script; returns whether the run went to its end.
  bool Run(const std::string& script) {
    WriteWholeFile(dir_.File("updater.ini"), script);
    WriteWholeFile(transcript_, "");
    RunSettings.scriptPath = CorePath(dir_.File("updater.ini")).c_str();
    RunSettings.programPath = CorePath(dir_.File("updater.exe")).c_str();
    RunSettings.title = "T";
    bool ok = BuildSymbolTable() && ReadUpdaterSection() && RunScript();
    if (ok) {
      EXPECT_EQ(0, ScriptState.listCount);
    }
    FreeAllProcLists();
    EXPECT_EQ(0, ScriptState.listCount);
    return ok;
  }
  std::string Transcript() const { return ReadWholeFile(transcript_); }
  int Boxes() const {
    std::string t = Transcript();
    return static_cast<int>(std::count(t.begin(), t.end(), '\n'));
  }

  RunSettingsData saved_settings_;
  ScopedTempDir dir_;
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
  // The checks read the Japanese texts, whatever the language of the machine.
  ScopedEnvironment language_{"UPDATER_LANGUAGE", "ja"};
};

namespace {

std::string Info(const char* name, const char* text) {
  return std::string("[") + name + "]\nMODE=MSGBOX\nFLAG=\nTYPE=INFORMATION\nTEXT=" + text +
         "\nISABORT=0,0\n";
}

}  // namespace

TEST_F(ProceduresTest, WholeListIsLoadedBeforeAnythingRuns) {
  // A failure at any position of the list: one message, nothing of the list has run.
  const std::string procs[] = {"Bad,A,B", "A,Bad,B", "A,B,Bad"};
  for (const std::string& list : procs) {
    EXPECT_FALSE(Run("[UPDATER]\nNAME=\nPROC=" + list + "\n" + Info("A", "a") + Info("B", "b") +
                     "[Bad]\nMODE=MSGBOX\nFLAG=\n"))
        << list;
    EXPECT_EQ(1, Boxes()) << list;
    EXPECT_NE(std::string::npos, Transcript().find("\\\"Bad\\\"\\nパラメータ：\\\"TYPE\\\""))
        << list;
  }
  EXPECT_FALSE(Run("[UPDATER]\nNAME=\nPROC=A,Nope\n" + Info("A", "a") + "[Nope]\nMODE=Unknown\n"));
  EXPECT_NE(std::string::npos, Transcript().find("シンボル：\\\"Unknown\\\""));
  EXPECT_FALSE(Run("[UPDATER]\nNAME=\nPROC=A, Missing\n" + Info("A", "a")));
  EXPECT_NE(std::string::npos,
            Transcript().find("セクション：\\\"Missing\\\"\\nパラメータ：\\\"MODE\\\""));
  EXPECT_EQ(1, Boxes());
}

// A DEFINE entry or a value that would expand past the bound ends the run with one
// message, before anything has run.
TEST_F(ProceduresTest, ExpansionPastTheBoundEndsTheRun) {
  std::string many;
  for (int i = 0; i < 40; ++i) many += "<Big>";
  const std::string big = "[DEFINE]\n<Big>=" + std::string(32000, 'b') + "\n";
  EXPECT_FALSE(Run(big + "[UPDATER]\nNAME=\nPROC=A,Past\n" + Info("A", "a") +
                   Info("Past", many.c_str())));
  EXPECT_EQ(1, Boxes());
  EXPECT_NE(std::string::npos, Transcript().find("シンボル：\\\"<Big>\\\""));

  EXPECT_FALSE(Run(big + "<Many>=" + many + "\n[UPDATER]\nNAME=\nPROC=A\n" + Info("A", "a")));
  EXPECT_EQ(1, Boxes());
  EXPECT_NE(std::string::npos, Transcript().find("シンボル：\\\"<Big>\\\""));

  EXPECT_TRUE(Run(big + "[UPDATER]\nNAME=\nPROC=A\n" + Info("A", "<Big><Big>")));
  EXPECT_NE(std::string::npos, Transcript().find(std::string(64000, 'b')));
}

TEST_F(ProceduresTest, ListsRunInOrderAndRepeat) {
  EXPECT_TRUE(Run("[UPDATER]\nNAME=\nPROC= A ,b,A\n" + Info("A", "a") + Info("B", "b")));
  std::string t = Transcript();
  size_t a1 = t.find("\"text\": \"a\""), b = t.find("\"text\": \"b\""),
         a2 = t.rfind("\"text\": \"a\"");
  EXPECT_LT(a1, b);
  EXPECT_LT(b, a2);
  EXPECT_EQ(3, Boxes());
}

TEST_F(ProceduresTest, SwitchBranchesOnTheFlag) {
  std::string script =
      "[UPDATER]\nNAME=\nPROC=Here,Sw,After\n"
      "[Here]\nMODE=EXIST\nFILE=<Src>\\updater.ini\n"
      "[Sw]\nMODE=switch\nPROC= here \n0=No\n1=Yes,Inner\n"
      "[Inner]\nMODE=SWITCH\nPROC=Gone\n0=InnerNo\n1=\n"
      "[Gone]\nMODE=EXIST\nFILE=<Src>\\nothing.txt\n" +
      Info("Yes", "yes") + Info("No", "no") + Info("InnerNo", "inner-no") + Info("After", "after");
  // The inner SWITCH names a procedure that is not in its own (the branch's) list.
  EXPECT_FALSE(Run(script));
  EXPECT_NE(std::string::npos, Transcript().find("シンボル：\\\"Gone\\\""));
  EXPECT_NE(std::string::npos, Transcript().find("\"yes\""));

  std::string fixed = script;
  fixed.replace(fixed.find("1=Yes,Inner"), 11, "1=Yes,Gone,Inner");
  EXPECT_TRUE(Run(fixed));
  std::string t = Transcript();
  EXPECT_LT(t.find("\"yes\""), t.find("\"inner-no\""));
  EXPECT_LT(t.find("\"inner-no\""), t.find("\"after\""));
  EXPECT_EQ(std::string::npos, t.find("\"no\""));
}

TEST_F(ProceduresTest, EndlessSwitchNestingStopsWithOneMessage) {
  EXPECT_FALSE(Run("[UPDATER]\nNAME=\nPROC=Loop\n[Loop]\nMODE=SWITCH\nPROC=Loop\n0=Loop\n1=\n"));
  EXPECT_EQ(1, Boxes());
  EXPECT_NE(std::string::npos, Transcript().find("オブジェクト：\\\"ProcListArray\\\""));
}

TEST_F(ProceduresTest, StackOperations) {
  // Records are owned by the arrays; the stack is searched from the top.
  auto make = [] {
    auto list = static_cast<ProcList>(std::calloc(2, sizeof(ProcRecord*)));
    list[0] = new ProcRecord;
    list[0]->sectionName = "Name";
    return list;
  };
  ProcList a = make(), b = make(), c = make();
  EXPECT_FALSE(PushProcList(nullptr));
  ASSERT_TRUE(PushProcList(a) && PushProcList(b) && PushProcList(c));
  EXPECT_EQ(c, TopProcList());
  EXPECT_EQ(c[0], FindProcRecord(c, "NAME"));
  EXPECT_EQ(nullptr, FindProcRecord(c, "Other"));
  EXPECT_EQ(nullptr, FindProcRecord(nullptr, "Name"));
  EXPECT_EQ(2, FreeProcList(b));
  EXPECT_EQ(c, TopProcList());
  EXPECT_EQ(0, FreeProcList(nullptr));
  FreeAllProcLists();
  EXPECT_EQ(nullptr, TopProcList());
}

// Memory that runs out anywhere in a run still ends it with its one box.
TEST_F(ProceduresTest, MemoryRunningOutEndsTheRunWithMessage3) {
  RunSettings.title = "T";
  EXPECT_TRUE(RunCatchingOutOfMemory([](const char*) { return true; }, ""));
  EXPECT_EQ(0, Boxes());
  EXPECT_EQ(0, ProcessExitCode());
  EXPECT_FALSE(RunCatchingOutOfMemory([](const char*) -> bool { throw std::bad_alloc(); }, ""));
  EXPECT_EQ(1, Boxes());
  // Message 3, whose first line names no value.
  std::string text = LoadMessageText(kMsgNoMemory, MessageLanguage::kJapanese);
  EXPECT_NE(std::string::npos, Transcript().find(text.substr(0, text.find('\n')))) << Transcript();
  EXPECT_EQ(1, ProcessExitCode());
}
