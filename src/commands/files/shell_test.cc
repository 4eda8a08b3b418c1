// SHELL: its keys, buffers, messages, the ".tmp" finish, and the shell's rules that both
// platforms share.

#include "commands/files/shell.h"

#include <memory>
#include <string>

#include "commands/files/file_test_support.h"
#include "script/messages.h"

class ShellTest : public FileTest {
 protected:
  std::unique_ptr<SHELL_INFO> Make(const char* func, const std::string& from,
                                   const std::string& to) {
    auto record = std::make_unique<SHELL_INFO>();
    record->sectionName = "Proc";
    record->func = func;
    record->from = from.c_str();
    record->to = to.c_str();
    return record;
  }
  // Runs a record; true when it went on, with no box and its flag set.
  bool Run(const char* func, const std::string& from, const std::string& to) {
    auto record = Make(func, from, to);
    ClearTranscript();
    bool ok = ExecuteShell(record.get());
    EXPECT_EQ(ok ? 1 : 0, record->result);
    if (ok) {
      EXPECT_EQ("", Transcript());
    }
    return ok;
  }
};

TEST_F(ShellTest, LoadReadsTheKeysInOrder) {
  RunSettingsData saved = RunSettings;
  WriteWholeFile(aux_.File("updater.ini"),
                 "[S]\nMODE=shell\nFUNC=copy\nFROM=a,b\nTO= x \n[N]\nMODE=SHELL\nFUNC=COPY\n"
                 "FROM=a\nTO=no_data\n[F]\nMODE=SHELL\nFROM=a\nTO=b\n");
  RunSettings.scriptPath = aux_.File("updater.ini").c_str();
  std::unique_ptr<ProcRecord> record(LoadShell("S"));
  ASSERT_TRUE(record);
  auto* shell = static_cast<SHELL_INFO*>(record.get());
  EXPECT_STREQ("shell", shell->mode.GetText());
  EXPECT_STREQ("copy", shell->func.GetText());
  EXPECT_STREQ("a,b", shell->from.GetText());
  EXPECT_STREQ("x", shell->to.GetText());
  EXPECT_EQ(0, shell->result);
  EXPECT_EQ(nullptr, LoadShell("N"));
  EXPECT_EQ(nullptr, LoadShell("F"));
  EXPECT_EQ(ErrorBox(kMsgBadFormat, "N", "TO") + ErrorBox(kMsgBadFormat, "F", "FUNC"),
            Transcript());
  RunSettings = saved;
}

TEST_F(ShellTest, FunctionCodesAndBuffers) {
  EXPECT_EQ(kShellCopy, ShellFunctionCode("copy"));
  EXPECT_EQ(kShellDelete, ShellFunctionCode("Delete"));
  EXPECT_EQ(kShellMove, ShellFunctionCode("MOVE"));
  EXPECT_EQ(kShellRename, ShellFunctionCode("rename"));
  for (const char* func : {"", "COPY ", "MOVES", "Kopy"}) EXPECT_EQ(0u, ShellFunctionCode(func));

  ShellRequest request;
  std::string from(258, 'f'), to(254, 't'), title(259, 'x');
  ASSERT_TRUE(FillShellRequest(kShellMove, from.c_str(), to.c_str(), title.c_str(), &request));
  EXPECT_EQ(kShellMove, request.function);
  EXPECT_EQ(from + std::string(2, '\0'), std::string(request.from, kShellBufferSize));
  EXPECT_EQ(to + ".tmp" + std::string(2, '\0'), std::string(request.to, kShellBufferSize));
  EXPECT_EQ(title + '\0', std::string(request.title, kShellBufferSize));
  // One byte more than each buffer holds with its NULs is refused.
  EXPECT_FALSE(FillShellRequest(1, (from + "f").c_str(), "t", "x", &request));
  EXPECT_FALSE(FillShellRequest(1, "f", (to + "t").c_str(), "x", &request));
  EXPECT_FALSE(FillShellRequest(1, "f", "t", (title + "x").c_str(), &request));
  // Short values leave the rest of the buffers zero, whatever they held before.
  ASSERT_TRUE(FillShellRequest(kShellCopy, "a", "b", "", &request));
  EXPECT_EQ(std::string("a") + std::string(kShellBufferSize - 1, '\0'),
            std::string(request.from, kShellBufferSize));
  EXPECT_EQ(std::string("b.tmp") + std::string(kShellBufferSize - 5, '\0'),
            std::string(request.to, kShellBufferSize));
  EXPECT_EQ(std::string(kShellBufferSize, '\0'), std::string(request.title, kShellBufferSize));
}

TEST_F(ShellTest, Messages) {
  Write("a.txt", "a");
  std::string long_path = P(std::string(260, 'n'));
  struct Case {
    const char* func;
    std::string from, to, box;
  } cases[] = {
      {"COPY", "", P("x"), ErrorBox(kMsgBadItemCount, "Proc", "FROM")},
      {"", P("a.txt"), P("x"), ErrorBox(kMsgShellFailed)},
      {"RENAME", P("missing.txt"), P("x"), ErrorBox(kMsgShellFailed)},
      {"DELETE", P("missing.txt"), P("x"), ErrorBox(kMsgShellFailed)},
      {"COPY", P("a.txt"), long_path, ErrorBox(kMsgShellFailed)},
  };
  for (const Case& c : cases) {
    auto record = Make(c.func, c.from, c.to);
    ClearTranscript();
    EXPECT_FALSE(ExecuteShell(record.get())) << c.func << " " << c.from;
    EXPECT_EQ(c.box, Transcript()) << c.func << " " << c.from;
    EXPECT_EQ(0, record->result);
  }
  EXPECT_FALSE(Exists("x") || Exists("x.tmp")) << "nothing was done";
  EXPECT_EQ("a", Read("a.txt"));

  // A title longer than its buffer is refused before anything is done.
  RunSettings.title = std::string(260, 'T').c_str();
  auto record = Make("COPY", P("a.txt"), P("x"));
  EXPECT_FALSE(ExecuteShell(record.get()));
  EXPECT_FALSE(Exists("x") || Exists("x.tmp"));
}

// What the end-to-end cases leave out: read-only files at TO, folders and patterns meeting
// existing entries, and what RENAME refuses.
TEST_F(ShellTest, ExistingEntriesAndPatterns) {
  Write("data\\a.txt", "a");
  Write("data\\b.txt", "b");
  Write("data\\sub\\c.dat", "c");
  // A read-only TO is not deleted by the finish; a read-only TO.tmp is replaced.
  Write("ro.txt", "ro");
  Write("ro.txt.tmp", "stale");
  MakeReadOnly("ro.txt");
  MakeReadOnly("ro.txt.tmp");
  EXPECT_TRUE(Run("COPY", P("data\\a.txt"), P("ro.txt")));
  EXPECT_EQ("ro", Read("ro.txt"));
  EXPECT_EQ("a", Read("ro.txt.tmp"));

  // An existing folder (here TO.tmp) receives the source under its own name.
  Folder("into.tmp");
  EXPECT_TRUE(Run("COPY", P("data\\sub"), P("into")));
  EXPECT_EQ("c", Read("into\\sub\\c.dat"));
  // A pattern takes folders with their contents; several entries cannot go into a file.
  EXPECT_TRUE(Run("COPY", P("data\\*"), P("all")));
  EXPECT_EQ("c", Read("all\\sub\\c.dat"));
  Write("file.tmp", "f");
  EXPECT_FALSE(Run("COPY", P("data\\*.txt"), P("file")));
  EXPECT_EQ("f", Read("file.tmp"));
  // DELETE of a pattern deletes folders with their contents.
  EXPECT_TRUE(Run("DELETE", P("all\\*"), P("none")));
  EXPECT_TRUE(Exists("all"));
  EXPECT_FALSE(Exists("all\\sub"));

  // RENAME neither takes a pattern nor replaces.
  EXPECT_FALSE(Run("RENAME", P("data\\a.*"), P("data\\z.txt")));
  Write("data\\a.txt.tmp", "in the way");
  EXPECT_FALSE(Run("RENAME", P("data\\b.txt"), P("data\\a.txt")));
  EXPECT_EQ("b", Read("data\\b.txt"));
}
