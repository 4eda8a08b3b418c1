// COPY, MOVE, DELETE, MAKEDIR and ATTR: their keys, list handling, messages and flags.

#include <memory>

#include "commands/files/attr.h"
#include "commands/files/copy.h"
#include "commands/files/delete.h"
#include "commands/files/file_test_support.h"
#include "commands/files/makedir.h"
#include "commands/files/move.h"
#include "script/messages.h"

class FileCommandsTest : public FileTest {
 protected:
  template <typename Record>
  std::unique_ptr<Record> Make(const std::string& first, const std::string& second = "") {
    auto record = std::make_unique<Record>();
    record->sectionName = "Proc";
    Fill(record.get(), first.c_str(), second.c_str());
    return record;
  }
  static void Fill(COPY_INFO* r, const char* a, const char* b) { r->from = a, r->to = b; }
  static void Fill(MOVE_INFO* r, const char* a, const char* b) { r->from = a, r->to = b; }
  static void Fill(DELETE_INFO* r, const char* a, const char*) { r->file = a; }
  static void Fill(MAKEDIR_INFO* r, const char* a, const char*) { r->dir = a; }
  static void Fill(ATTR_INFO* r, const char* a, const char* b) { r->file = a, r->arg = b; }
};

TEST_F(FileCommandsTest, LoadReadsTheKeysInOrder) {
  RunSettingsData saved = RunSettings;
  WriteWholeFile(aux_.File("updater.ini"),
                 "[C]\nMODE=Copy\nFROM=a, b\nTO=x\n[M]\nMODE=MOVE\nFROM=a\n[A]\nMODE=ATTR\n"
                 "FILE=f\nARG=NO_DATA\n");
  RunSettings.scriptPath = aux_.File("updater.ini").c_str();
  std::unique_ptr<ProcRecord> copy(LoadCopy("C"));
  ASSERT_TRUE(copy);
  EXPECT_STREQ("Copy", copy->mode.GetText());
  EXPECT_STREQ("a, b", static_cast<COPY_INFO*>(copy.get())->from.GetText());
  EXPECT_STREQ("x", static_cast<COPY_INFO*>(copy.get())->to.GetText());
  EXPECT_EQ(0, copy->result);
  EXPECT_EQ("", Transcript());
  EXPECT_EQ(nullptr, LoadMove("M"));
  EXPECT_EQ(nullptr, LoadAttr("A"));
  EXPECT_EQ(nullptr, LoadDelete("Missing"));
  EXPECT_EQ(ErrorBox(kMsgBadFormat, "M", "TO") + ErrorBox(kMsgBadFormat, "A", "ARG") +
                ErrorBox(kMsgBadFormat, "Missing", "MODE"),
            Transcript());
  RunSettings = saved;
}

TEST_F(FileCommandsTest, PairsAndFlags) {
  Write("a", "a");
  Write("b", "b");
  // Spaces around items go, a tab stays; FROM gives the count: surplus TO items are
  // ignored. Success sets the flag.
  auto copy =
      Make<COPY_INFO>(" " + P("a") + " ,  " + P("b"), P("x") + ", " + P("y") + " ," + P("z"));
  EXPECT_TRUE(ExecuteCopy(copy.get()));
  EXPECT_EQ(1, copy->result);
  EXPECT_EQ("b", Read("y"));
  EXPECT_FALSE(Exists("z"));
  copy = Make<COPY_INFO>("\t" + P("a") + "," + P("b"), P("x3") + "," + P("y3"));
  EXPECT_FALSE(ExecuteCopy(copy.get()));
  EXPECT_EQ(0, copy->result);
  EXPECT_FALSE(Exists("y3"));
  EXPECT_EQ(ErrorBox(kMsgCopyFailed, ("\t" + P("a")).c_str(), P("x3").c_str()), Transcript());
  // ATTR values are hexadecimal: 21 and 0x21 are read-only plus archive; 1a is shown as
  // 0x0000001A; a missing value is 0.
  ClearTranscript();
  Folder("d");
  auto attr = Make<ATTR_INFO>(P("a") + ", " + P("b") + "," + P("d"), "21, 0x21");
  EXPECT_TRUE(ExecuteAttr(attr.get()));
  EXPECT_EQ(1, attr->result);
  EXPECT_TRUE(ReadOnly("a"));
  EXPECT_TRUE(ReadOnly("b"));
  attr = Make<ATTR_INFO>(P("?") + "," + P("*.bin") + "," + P("a"), "80, 1a,1");
  EXPECT_FALSE(ExecuteAttr(attr.get()));
  EXPECT_FALSE(ReadOnly("a"));
  EXPECT_EQ(0, attr->result);
  EXPECT_EQ(ErrorBox(kMsgAttributesFailed, P("*.bin").c_str(), 0x1Au), Transcript());
  EXPECT_NE(std::string::npos, Transcript().find("0x0000001A"));
  ClearTranscript();
  attr = Make<ATTR_INFO>(P("missing"), "");
  EXPECT_FALSE(ExecuteAttr(attr.get()));
  EXPECT_EQ(ErrorBox(kMsgAttributesFailed, P("missing").c_str(), 0u), Transcript());
}

TEST_F(FileCommandsTest, Messages) {
  Write("file", "");
  MakeReadOnly("file");
  Folder("empty");  // moved or copied to "", a fault there would write nothing at the root
  struct Case {
    std::unique_ptr<ProcRecord> record;
    bool (*execute)(ProcRecord*);
    std::string box;
  } cases[] = {
      {Make<COPY_INFO>(""), ExecuteCopy, ErrorBox(kMsgBadItemCount, "Proc", "FROM")},
      {Make<MOVE_INFO>(""), ExecuteMove, ErrorBox(kMsgBadItemCount, "Proc", "FROM")},
      {Make<DELETE_INFO>(""), ExecuteDelete, ErrorBox(kMsgBadItemCount, "Proc", "FILE")},
      {Make<MAKEDIR_INFO>(""), ExecuteMakeDir, ErrorBox(kMsgBadItemCount, "Proc", "DIR")},
      {Make<ATTR_INFO>("", "1"), ExecuteAttr, ErrorBox(kMsgBadItemCount, "Proc", "FILE")},
      {Make<COPY_INFO>(P("file") + "," + P("empty"), P("c")), ExecuteCopy,
       ErrorBox(kMsgCopyFailed, P("empty").c_str(), "")},
      {Make<MOVE_INFO>(P("empty"), P("file")), ExecuteMove,
       ErrorBox(kMsgMoveFailed, P("empty").c_str(), P("file").c_str())},
      {Make<DELETE_INFO>(P("missing") + ", " + P("file")), ExecuteDelete,
       ErrorBox(kMsgDeleteFailed, P("file").c_str())},
      {Make<MAKEDIR_INFO>(P("m") + "," + P("file\\sub")), ExecuteMakeDir,
       ErrorBox(kMsgMakeDirFailed, P("file\\sub").c_str())},
  };
  for (Case& c : cases) {
    ClearTranscript();
    EXPECT_FALSE(c.execute(c.record.get())) << c.box;
    EXPECT_EQ(c.box, Transcript());
    EXPECT_EQ(0, c.record->result);
  }
  EXPECT_EQ("", Read("c"));
  EXPECT_TRUE(Exists("m"));
  EXPECT_TRUE(Exists("empty"));
}
