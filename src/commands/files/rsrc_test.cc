// RSRC and the platform's resource operations, on PE files in a test folder. Under Wine
// the files our writer made are read by the Windows loader, and the files the Windows
// functions wrote are read by our reader.

#include "commands/files/rsrc.h"

#include <memory>
#include <string>
#include <vector>

#include "commands/files/file_test_support.h"
#include "standins/pe_resources.h"
#include "standins/pe_test_image.h"
#include "platform/resources.h"
#include "script/messages.h"

// Defined per backend: false under Wine 8, whose resource updates depart from Windows in
// two ways: a write without data keeps the resource instead of removing it, and a write of
// empty data fails instead of adding an empty resource. Linux follows Windows.
bool UpdatesAsWindowsDoes();

namespace {

std::string Bytes(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

std::string ImageWith(bool pe32_plus, const std::vector<Resource>& resources) {
  TestImageLayout layout;
  layout.pe32_plus = pe32_plus;
  return Bytes(WithResources(MakeTestImage(layout), resources));
}

}  // namespace

class RsrcPlatformTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    // The source: a 64-bit image; the target: a 32-bit one.
    Write("source.exe", (ImageWith(true, {TestResource("#10", "DATA", 0x409, "en"),
                                          TestResource("#10", "DATA", 0x411, "ja"),
                                          TestResource("#10", "#7", 0x407, "seven"),
                                          TestResource("CONFIG", "MAIN", 0, "cfg"),
                                          TestResource("#10", "EMPTY", 0x409, "")})));
    Write("target.exe", (ImageWith(false, {TestResource("#10", "DATA", 0x409, "old"),
                                           TestResource("#10", "GONE", 0x411, "bye"),
                                           TestResource("#10", "#7", 0x407, "old7")})));
  }

  std::string Target() const {
    std::string bytes = Read("target.exe");
    return DescribeImage(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  }
};

TEST_F(RsrcPlatformTest, ReadsTheFirstLanguage) {
  ResourceModule source = OpenResourceModule(P("source.exe").c_str());
  ASSERT_NE(nullptr, source);
  struct Case {
    const char* type;
    const char* name;
    bool found;
    uint16_t language;
    std::string data;
  } cases[] = {
      {"#10", "data", true, 0x409, "en"},  // names match in any case
      {"#10", "#7", true, 0x407, "seven"},   {"#10", "#007", true, 0x407, "seven"},
      {"config", "Main", true, 0, "cfg"},    {"#10", "EMPTY", true, 0x409, ""},
      {"#10", "MISSING", false, 0x1234, ""}, {"#11", "DATA", false, 0x1234, ""},
      {"#10", "", false, 0x1234, ""},
  };
  for (const Case& c : cases) {
    uint16_t language = 0x1234;
    const void* data = nullptr;
    uint32_t size = 99;
    EXPECT_EQ(c.found, LoadFirstLanguageResource(source, c.type, c.name, &language, &data, &size))
        << c.type << " " << c.name;
    EXPECT_EQ(c.language, language) << c.type << " " << c.name;
    if (c.found) {
      ASSERT_NE(nullptr, data) << c.name;
      EXPECT_EQ(c.data, std::string(static_cast<const char*>(data), size)) << c.name;
    }
  }
  CloseResourceModule(source);
}

TEST_F(RsrcPlatformTest, UpdatesReplaceAddAndRemove) {
  ResourceUpdate update = BeginResourceUpdate(P("target.exe").c_str());
  ASSERT_NE(nullptr, update);
  EXPECT_TRUE(WriteResource(update, "#10", "data", 0x409, "new", 3));
  EXPECT_TRUE(WriteResource(update, "#10", "Added", 0x411, "x", 1));
  EXPECT_TRUE(WriteResource(update, "Own", "#300", 0, "own", 3));
  bool windows = UpdatesAsWindowsDoes();
  EXPECT_EQ(windows, WriteResource(update, "#10", "EMPTY", 0x409, "", 0));
  WriteResource(update, "#10", "GONE", 0x411, nullptr, 0);
  WriteResource(update, "#10", "NEVER", 0x411, nullptr, 0);
  EXPECT_TRUE(EndResourceUpdate(update, false));
  EXPECT_EQ(std::string("OWN/300/0000=own 10/ADDED/0411=x 10/DATA/0409=new ") +
                (windows ? "10/EMPTY/0409= " : "10/GONE/0411=bye ") + "10/7/0407=old7 ",
            Target());
  // Discarded, nothing is written.
  std::string before = Read("target.exe");
  update = BeginResourceUpdate(P("target.exe").c_str());
  ASSERT_NE(nullptr, update);
  EXPECT_TRUE(WriteResource(update, "#10", "DATA", 0x409, "discarded", 9));
  EXPECT_TRUE(EndResourceUpdate(update, true));
  EXPECT_EQ(before, Read("target.exe"));
  // A commit that cannot write fails (a folder took the file's place).
  update = BeginResourceUpdate(P("target.exe").c_str());
  ASSERT_NE(nullptr, update);
  EXPECT_TRUE(WriteResource(update, "#10", "DATA", 0x409, "lost", 4));
  std::filesystem::rename(Native(P("target.exe")), Native(P("moved.exe")));
  Folder("target.exe");
  EXPECT_FALSE(EndResourceUpdate(update, false));
  EXPECT_EQ(before, Read("moved.exe"));
}

class RsrcTest : public RsrcPlatformTest {
 protected:
  void TearDown() override {
    SetRsrcOperationsForTesting(nullptr, nullptr);
    RsrcPlatformTest::TearDown();
  }

  std::unique_ptr<RSRC_INFO> Make(const std::string& from, const std::string& to,
                                  const std::string& type, const std::string& name) {
    auto record = std::make_unique<RSRC_INFO>();
    record->sectionName = "Proc";
    record->from = from.c_str();
    record->to = to.c_str();
    record->type = type.c_str();
    record->name = name.c_str();
    return record;
  }
  std::unique_ptr<RSRC_INFO> Make(const std::string& type, const std::string& name) {
    return Make(P("source.exe"), P("target.exe"), type, name);
  }

  static int calls_;
};

int RsrcTest::calls_ = 0;

TEST_F(RsrcTest, LoadReadsTheKeysInOrder) {
  RunSettingsData saved = RunSettings;
  WriteWholeFile(aux_.File("updater.ini"),
                 "[R]\nMODE=rsrc\nFROM=a.exe\nTO=b.exe\nTYPE=#10, 6\nNAME=x\n"
                 "[NoName]\nMODE=RSRC\nFROM=a\nTO=b\nTYPE=c\n[NoFrom]\nMODE=RSRC\nTYPE=c\n");
  RunSettings.scriptPath = aux_.File("updater.ini").c_str();
  std::unique_ptr<ProcRecord> loaded(LoadRsrc("R"));
  ASSERT_TRUE(loaded);
  auto* record = static_cast<RSRC_INFO*>(loaded.get());
  EXPECT_STREQ("rsrc", record->mode.GetText());
  EXPECT_STREQ("a.exe", record->from.GetText());
  EXPECT_STREQ("b.exe", record->to.GetText());
  EXPECT_STREQ("#10, 6", record->type.GetText());
  EXPECT_STREQ("x", record->name.GetText());
  EXPECT_EQ(0, record->result);
  EXPECT_EQ(nullptr, LoadRsrc("NoName"));
  EXPECT_EQ(nullptr, LoadRsrc("NoFrom"));
  EXPECT_EQ(ErrorBox(kMsgBadFormat, "NoName", "NAME") + ErrorBox(kMsgBadFormat, "NoFrom", "FROM"),
            Transcript());
  RunSettings = saved;
}

TEST_F(RsrcTest, Messages) {
  Write("text.exe", "not an image");
  Folder("folder.exe");
  Write("readonly.exe", Read("target.exe"));
  MakeReadOnly("readonly.exe");
  std::string target = Read("target.exe");
  struct Case {
    std::unique_ptr<RSRC_INFO> record;
    std::string box;
  } cases[] = {
      {Make("", "DATA"), ErrorBox(kMsgBadItemCount, "Proc", "TYPE")},
      {Make(P("missing.exe"), P("target.exe"), "#10", "DATA"),
       ErrorBox(kMsgFileNotFound, P("missing.exe").c_str())},
      {Make(P("text.exe"), P("target.exe"), "#10", "DATA"),
       ErrorBox(kMsgFileNotFound, P("text.exe").c_str())},
      {Make(P("source.exe"), P("new.exe"), "#10", "DATA"),
       ErrorBox(kMsgFileNotFound, P("new.exe").c_str())},
      {Make(P("source.exe"), P("readonly.exe"), "#10", "DATA"),
       ErrorBox(kMsgFileNotFound, P("readonly.exe").c_str())},
      {Make(P("source.exe"), P("folder.exe"), "#10", "DATA"),
       ErrorBox(kMsgFileNotFound, P("folder.exe").c_str())},
      // A read-only source is read.
      {Make(P("readonly.exe"), P("text.exe"), "#10", "DATA"),
       ErrorBox(kMsgFileNotFound, P("text.exe").c_str())},
      // FROM and TO are used as read: a space is part of the path.
      {Make(" " + P("source.exe"), P("target.exe"), "#10", "DATA"),
       ErrorBox(kMsgFileNotFound, (" " + P("source.exe")).c_str())},
  };
  for (Case& c : cases) {
    ClearTranscript();
    EXPECT_FALSE(ExecuteRsrc(c.record.get())) << c.box;
    EXPECT_EQ(c.box, Transcript());
    EXPECT_EQ(0, c.record->result);
  }
  EXPECT_FALSE(Exists("new.exe"));
  EXPECT_EQ(target, Read("target.exe"));
}

TEST_F(RsrcTest, WritesInTheSourcesLanguages) {
  // DATA takes its first language, 0409; the source lacks GONE, so it is removed in the
  // language of the pair before (0000), which the target does not have it in.
  auto record = Make(" #10 , CONFIG,#10,#10", "data, Main , gone, #7, surplus");
  EXPECT_TRUE(ExecuteRsrc(record.get()));
  EXPECT_EQ(1, record->result);
  EXPECT_EQ("", Transcript());
  EXPECT_EQ("CONFIG/MAIN/0000=cfg 10/DATA/0409=en 10/GONE/0411=bye 10/7/0407=seven ", Target());
  // Without a language before it, the missing pair takes 0411 and removes GONE; the second
  // pair has an empty name, which no module has, and is no failure.
  record = Make("#10,#10", "gone");
  EXPECT_TRUE(ExecuteRsrc(record.get()));
  EXPECT_EQ(1, record->result);
  std::string gone = UpdatesAsWindowsDoes() ? "" : "10/GONE/0411=bye ";
  EXPECT_EQ("CONFIG/MAIN/0000=cfg 10/DATA/0409=en " + gone + "10/7/0407=seven ", Target());
  EXPECT_EQ("", Transcript());
}

TEST_F(RsrcTest, AFailedWriteDiscardsEveryWrite) {
  std::string target = Read("target.exe");
  calls_ = 0;
  // The third of five writes fails.
  SetRsrcOperationsForTesting(
      [](ResourceUpdate u, const char* t, const char* n, uint16_t l, const void* d, uint32_t s) {
        return ++calls_ != 3 && WriteResource(u, t, n, l, d, s);
      },
      nullptr);
  auto record = Make("#10,#10,CONFIG,#10,#10", "DATA,#7,MAIN,EMPTY,DATA");
  EXPECT_FALSE(ExecuteRsrc(record.get()));
  EXPECT_EQ(3, calls_);
  EXPECT_EQ(0, record->result);
  EXPECT_EQ(ErrorBox(kMsgResourceFailed, P("source.exe").c_str(), P("target.exe").c_str()),
            Transcript());
  EXPECT_EQ(target, Read("target.exe"));

  // A write without data that fails is no failure.
  ClearTranscript();
  SetRsrcOperationsForTesting(
      [](ResourceUpdate u, const char* t, const char* n, uint16_t l, const void* d, uint32_t s) {
        return d != nullptr && WriteResource(u, t, n, l, d, s);
      },
      nullptr);
  record = Make("#10,#10", "MISSING,#7");
  EXPECT_TRUE(ExecuteRsrc(record.get()));
  EXPECT_EQ("", Transcript());
  EXPECT_EQ("10/DATA/0409=old 10/GONE/0411=bye 10/7/0407=seven ", Target());

  // A commit that fails is reported, and the target stays as it was.
  target = Read("target.exe");
  SetRsrcOperationsForTesting(nullptr,
                              [](ResourceUpdate u, bool) { return !EndResourceUpdate(u, true); });
  record = Make("#10", "DATA");
  EXPECT_FALSE(ExecuteRsrc(record.get()));
  EXPECT_EQ(0, record->result);
  EXPECT_EQ(ErrorBox(kMsgResourceFailed, P("source.exe").c_str(), P("target.exe").c_str()),
            Transcript());
  EXPECT_EQ(target, Read("target.exe"));
}
