#include "commands/command_check.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "foundation/globals.h"
#include "script/check_output.h"
#include "script/script_check.h"
#include "script/show_box.h"
#include "testing/test_support.h"

// Checks whole scripts as updater-check does: the command table's checks over the
// checker's walk of every list.
class CheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_settings_ = RunSettings;
    ResetBoxState();
  }
  void TearDown() override {
    RunSettings = saved_settings_;
    ResetBoxState();
  }

  CheckResult Check(const std::string& script) {
    WriteWholeFile(dir_.File("updater.ini"), script);
    WriteWholeFile(transcript_, "");
    RunSettings.scriptPath = CorePath(dir_.File("updater.ini")).c_str();
    RunSettings.programPath = CorePath(dir_.File("updater.exe")).c_str();
    RunSettings.commandLine = "";
    RunSettings.title = "T";
    CheckResult result = CheckScript();
    EXPECT_EQ("", ReadWholeFile(transcript_)) << "the checker showed a box";
    return result;
  }

  // Each finding as "line [section] key E|W: text", one a line.
  std::string Findings(const std::string& script) {
    std::string out;
    for (const Finding& f : Check(script).findings) {
      out += std::to_string(f.line) + " [" + f.section + "]" + (f.key.empty() ? "" : " " + f.key) +
             (f.severity == Severity::kError ? " E: " : " W: ") + f.text + "\n";
    }
    return out;
  }

  std::string Src() const { return CorePath(dir_.path().string()); }

  RunSettingsData saved_settings_;
  ScopedTempDir dir_;
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
};

namespace {

// A script running the one procedure [P] (line 4) with the given keys (from line 5).
std::string One(const std::string& keys) { return "[UPDATER]\nNAME=N\nPROC=P\n[P]\n" + keys; }

}  // namespace

TEST_F(CheckTest, OneFaultEach) {
  WriteWholeFile(dir_.File("here.txt"), "x");
  struct Case {
    std::string keys;
    std::string finding;  // the one finding expected
  };
  const Case cases[] = {
      {"MODE=COPY\nFROM=<Src>\\here.txt\n", "4 [P] TO E: the key TO is missing"},
      {"MODE=COPY\nFROM=<Src>\\here.txt\nTO=NO_DATA\n",
       "7 [P] TO E: TO is NO_DATA, which the updater reads as missing"},
      {"MODE=COPPY\n", "5 [P] MODE E: MODE \"COPPY\" names no command"},
      {"MODE=DELETE\nFILE=\n", "6 [P] FILE E: FILE is empty; the procedure stops the run"},
      {"MODE=COPY\nFROM=<Src>\\here.txt,<Src>\\here.txt\nTO=<Src>\\a\n",
       "7 [P] TO E: TO has 1 item but FROM has 2; they pair by position, so item 2 of FROM "
       "gets an empty TO"},
      {"MODE=MSGBOX\nFLAG=\nTYPE=QUESTON\nTEXT=t\nISABORT=0,1\n",
       "7 [P] TYPE E: TYPE \"QUESTON\" is not ERROR, INFORMATION, WARNING or QUESTION; the box "
       "fails when its turn comes"},
      {"MODE=MSGBOX\nFLAG=\nTYPE=QUESTION\nTEXT=t\nISABORT=0;1\n",
       "9 [P] ISABORT E: ISABORT \"0;1\" is not two numbers separated by a comma; the updater "
       "goes on after OK or Yes and goes on after Cancel or No"},
      {"MODE=MSGBOX\nFLAG=Nobody,1\nTYPE=ERROR\nTEXT=t\nISABORT=0,0\n",
       "6 [P] FLAG E: FLAG names \"Nobody\", which is no procedure of the list that holds this "
       "box"},
      {"MODE=DATE\nFILE=<Src>\\here.txt\nDATE=2024-03-01\n",
       "7 [P] DATE E: DATE \"2024-03-01\" is not year/month/day with the year in full; the "
       "updater reads 2024/0/0"},
      {"MODE=LAUNCH\nFILE=<Src>\\here.txt\nPARAM=\nISWAIT=yes\n",
       "8 [P] ISWAIT E: ISWAIT \"yes\" is not a number; the updater reads 0 (does not wait)"},
      {"MODE=WAITAPP\nAPP=<Src>\\here.txt\nTICK=5s\n",
       "7 [P] TICK E: TICK \"5s\" is not a time in milliseconds or -1; the updater waits 5 ms"},
      {"MODE=CRC\nFILE=<Src>\\here.txt\nTYPE=AND\nCRC=12G4\n",
       "8 [P] CRC E: CRC \"12G4\" is not a CRC-32 in hexadecimal; the updater compares with "
       "0x00000012"},
      {"MODE=ATTR\nFILE=<Src>\\here.txt\nARG=ro\n",
       "7 [P] ARG E: ARG \"ro\" is not a hexadecimal attribute value; the updater sets "
       "0x00000000"},
      {"MODE=LINK\nSRC=<Src>\\here.txt\nPARAM=\nSHOWCMD=max\nDST=<Src>\\l\n",
       "8 [P] SHOWCMD E: SHOWCMD \"max\" is not 1 (normal), 2 (minimised), 3 (maximised) or 0 (the "
       "default); the shortcut gets the default window state"},
      {"MODE=EXIST\nFILE=<Nope>\\a\n",
       "6 [P] FILE E: the symbol <Nope> is neither built in nor in DEFINE (above its use); it "
       "stays as written"},
      {"MODE=EXIST\nFILE={?Reg\\x}{plain}\n",
       "6 [P] FILE E: the query {?Reg\\x} is not ?App, ?AppPath, ?SpFolder or ?Param; it stays "
       "as written"},
      {"MODE=SHELL\nFUNC=COPYY\nFROM=<Src>\\here.txt\nTO=<Src>\\b\n",
       "6 [P] FUNC E: FUNC \"COPYY\" is not COPY, DELETE, MOVE or RENAME; the shell refuses it"},
      {"MODE=LAUNCH\nFILE=prog.exe\nPARAM=\nISWAIT=0\n",
       "6 [P] FILE E: FILE \"prog.exe\" has no folder part; the updater cannot start it\n"
       "6 [P] FILE W: \"prog.exe\" does not exist on this machine"},
      {"MODE=COPY\nFROM=<Src>\\gone.txt\nTO=<Src>\\b\n",
       "6 [P] FROM W: \"" + Src() + "\\gone.txt\" does not exist on this machine"},
      {"MODE=OSVER\nEXTRA=1\n", "6 [P] EXTRA W: nothing reads the key EXTRA"},
      {"MODE=CRC\nFILE=<Src>\\here.txt\nTYPE=ADN\nCRC=\n",
       "7 [P] TYPE E: TYPE \"ADN\" is not AND or OR; the updater takes it as OR (one match is "
       "enough)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(c.finding + "\n", Findings(One(c.keys)));
  }
  EXPECT_EQ("4 [UPDATER] ROLLBACK W: ROLLBACK \"on\" is neither 1 nor 0; the updater undoes "
            "nothing after a failure\n",
            Findings("[UPDATER]\nNAME=N\nPROC=P\nROLLBACK=on\n[P]\nMODE=OSVER\n"));
}

TEST_F(CheckTest, MessagesAreTheUpdatersOwn) {
  CheckResult result = Check(One("MODE=MSGBOX\nFLAG=\nTEXT=t\nISABORT=0,0\n"));
  ASSERT_EQ(1u, result.findings.size());
  EXPECT_EQ(MessageText(2, "P", "TYPE").GetText(), result.findings[0].message);
  EXPECT_EQ(1, result.Errors());
  // A runaway expansion: message 6 naming the query, caught instead of shown.
  CheckResult runaway = Check(One("MODE=EXIST\nFILE={?Param\\0\\1000000}\n"));
  ASSERT_EQ(1u, runaway.findings.size());
  EXPECT_EQ("the value grows past 1 MiB when expanded", runaway.findings[0].text);
  EXPECT_EQ(MessageText(6, "{?Param\\0\\1000000}").GetText(), runaway.findings[0].message);
  // No script at all: message 1 naming it.
  RunSettings.scriptPath = CorePath(dir_.File("none.ini")).c_str();
  CheckResult missing = CheckScript();
  ASSERT_EQ(1u, missing.findings.size());
  EXPECT_EQ("the script does not exist", missing.findings[0].text);
  EXPECT_EQ(MessageText(1, RunSettings.scriptPath.GetText()).GetText(),
            missing.findings[0].message);
}

TEST_F(CheckTest, CleanScriptsReportNothing) {
  WriteWholeFile(dir_.File("app.exe"), "1.0");
  const std::string clean =
      "; a comment\n[UPDATER]\nNAME=Patch\nPROC=Old, Ask ,Branch\n[DEFINE]\n<APP>=<Src>\\app.exe\n"
      "[Old]\nMODE=exist\nFILE=<APP>\n"
      "[Ask]\nMODE=MSGBOX\nFLAG=Old,0\nTYPE=question\nTEXT=Go on?%n\nISABORT=0,1\n"
      "[Branch]\nMODE=SWITCH\nPROC=Old\n0=\n1=Copy,Dated\n"
      "[Copy]\nMODE=COPY\nFROM=<APP>\nTO=<Src>\\app.bak\n"
      "[Dated]\nMODE=DATE\nFILE=<APP>\nDATE=2024/3/1\n";
  EXPECT_EQ("", Findings(clean));
  for (const char* rollback : {"1", "0", ""}) {
    std::string with_key = clean;
    with_key.insert(with_key.find("[DEFINE]"), std::string("ROLLBACK=") + rollback + "\n");
    EXPECT_EQ("", Findings(with_key)) << rollback;
  }
  EXPECT_EQ("", Findings(clean));
  EXPECT_EQ("", FormatFindings(Check(clean), "u.ini"));
}

TEST_F(CheckTest, BranchesAreLoadedAndCyclesReported) {
  const std::string script =
      "[UPDATER]\nNAME=N\nPROC=Cond,Sw\n"
      "[Cond]\nMODE=OSVER\n"
      "[Sw]\nMODE=SWITCH\nPROC=Cond\n0=NotInstaled\n1=Inner,Sw2\n"  // lines 6-10
      "[Inner]\nMODE=OSVER\n"
      "[Sw2]\nMODE=SWITCH\nPROC=Inner\n0=Sw\n1=Sw3,Late\n"  // lines 13-17
      "[Sw3]\nMODE=SWITCH\nPROC=Late\n0=\n1=\n"             // lines 18-22
      "[Late]\nMODE=OSVER\n";
  EXPECT_EQ(
      "9 [Sw] 0 E: 0 names the procedure \"NotInstaled\", but there is no section [NotInstaled]\n"
      "16 [Sw2] 0 E: the branch leads back into SWITCH [Sw], which is running; each pass would "
      "nest it deeper\n"
      "20 [Sw3] PROC W: PROC \"Late\" runs after this SWITCH; its flag is still 0, so list 0 "
      "runs\n",
      Findings(script));
  // A box reads a flag of its own list too, and one set later is still 0.
  EXPECT_EQ(
      "6 [Box] FLAG W: FLAG names \"Later\", which runs after this box; its flag is still 0 "
      "here\n",
      Findings("[UPDATER]\nNAME=N\nPROC=Box,Later\n[Box]\nMODE=MSGBOX\nFLAG=Later,1\n"
               "TYPE=ERROR\nTEXT=t\nISABORT=0,0\n[Later]\nMODE=OSVER\n"));
  // The plan shows each branch below its SWITCH.
  std::string plan = FormatPlan(Check(script), "u.ini");
  EXPECT_EQ(
      "Plan of u.ini\n"
      "1. [Cond] OSVER\n"
      "2. [Sw] SWITCH\n"
      "     PROC=Cond\n"
      "     0=NotInstaled\n"
      "     1=Inner,Sw2\n"
      "   when 0: NotInstaled\n"
      "    1. [NotInstaled]\n"
      "   when 1: Inner,Sw2\n"
      "    1. [Inner] OSVER\n"
      "    2. [Sw2] SWITCH\n"
      "         PROC=Inner\n"
      "         0=Sw\n"
      "         1=Sw3,Late\n"
      "       when 0: Sw\n"
      "        1. [Sw] SWITCH (leads back into itself)\n"
      "       when 1: Sw3,Late\n"
      "        1. [Sw3] SWITCH\n"
      "             PROC=Late\n"
      "             0=\n"
      "             1=\n"
      "        2. [Late] OSVER\n",
      plan);
}

TEST_F(CheckTest, UnreadSectionsKeysAndLines) {
  EXPECT_EQ(
      "1 [] stray W: this line comes before the first section header; nothing reads it\n"
      "5 [UPDATER] PRC W: nothing reads the key PRC\n"
      "8 [P] MODE W: MODE is given again; the updater reads only the first, line 7\n"
      "9 [P] novalue W: nothing reads the key novalue (it has no \"=\")\n"
      "10 [Spare] W: no procedure list names [Spare]; nothing reads it\n"
      "12 [p] W: a second [p] section; the updater reads only the first, line 6\n"
      "15 [DEFINE] APP E: a DEFINE line names its symbol in angle brackets (<APP>); no value "
      "can name this one\n",
      Findings("stray=1\n[UPDATER]\nNAME=N\nPROC=P\nPRC=x\n[P]\nMODE=OSVER\nMODE=COPY\n"
               "novalue\n[Spare]\nMODE=OSVER\n[p]\nMODE=OSVER\n[DEFINE]\nAPP=1\n"));
}

TEST_F(CheckTest, JsonLines) {
  CheckResult result = Check(One("MODE=MSGBOX\nFLAG=\nTYPE=QUESTON\nTEXT=t\nISABORT=0,1\n"));
  std::string lines = FormatFindingsJson(result, "dir/u.ini");
  auto line = nlohmann::json::parse(lines.substr(0, lines.find('\n')));
  EXPECT_EQ("dir/u.ini", line["file"]);
  EXPECT_EQ(7, line["line"]);
  EXPECT_EQ("P", line["section"]);
  EXPECT_EQ("TYPE", line["key"]);
  EXPECT_EQ("error", line["severity"]);
  EXPECT_EQ("シンボルが正しくありません。\n\nシンボル：\"QUESTON\"", line["message"]);
  EXPECT_EQ(lines.size(), lines.find('\n') + 1);
}

TEST(CommandCheckTest, NumberForms) {
  for (const char* whole : {"0", "-1", " 20 ", "+3", "2147483647"}) {
    EXPECT_TRUE(IsWholeDecimal(whole)) << whole;
  }
  for (const char* not_whole : {"", " ", "0;1", "1.5", "5s", "0x10", "-"}) {
    EXPECT_FALSE(IsWholeDecimal(not_whole)) << not_whole;
  }
  for (const char* whole : {"0x21", "FF", "0X0a", " 1b "}) EXPECT_TRUE(IsWholeHex(whole)) << whole;
  for (const char* not_whole : {"", "0x", "12G4", "ro", "0x 1"}) {
    EXPECT_FALSE(IsWholeHex(not_whole)) << not_whole;
  }
}
