#include "script/symbols.h"

#include <gtest/gtest.h>

#include "foundation/globals.h"
#include "platform/folders.h"
#include "testing/test_support.h"

class SymbolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_settings_ = RunSettings;
    SymbolTable = SymbolTableData();
  }
  void TearDown() override {
    RunSettings = saved_settings_;
    SymbolTable = SymbolTableData();
  }
  // Builds the table from a script holding `script` beside a program in the temp folder.
  void Build(const std::string& script) {
    WriteWholeFile(dir_.File("updater.ini"), script);
    RunSettings.scriptPath = CorePath(dir_.File("updater.ini")).c_str();
    RunSettings.programPath = "C:\\Setup\\updater.exe";
    BuildSymbolTable();
  }
  static std::string Expanded(const char* value) {
    TextString text(value);
    ExpandValue(text);
    return text.GetText();
  }

  RunSettingsData saved_settings_;
  ScopedTempDir dir_;
};

TEST_F(SymbolsTest, BuiltInsWithoutDefine) {
  Build("[UPDATER]\nNAME=x\n");
  ASSERT_EQ(6u, SymbolTable.entries.size());
  EXPECT_EQ("<Win>", SymbolTable.entries[0].name);
  EXPECT_EQ("<Temp>", SymbolTable.entries[5].name);
  TextString value;
  for (const char* name : {"<Win>", "<Sys>", "<Src>", "<Desktop>", "<Programs>", "<Temp>"}) {
    EXPECT_TRUE(LookUpSymbol(name, value)) << name;
  }
  EXPECT_TRUE(LookUpSymbol("<src>", value));
  EXPECT_STREQ("C:\\Setup", value.GetText());
  EXPECT_TRUE(LookUpSymbol("<Temp>", value));
  EXPECT_NE('\\', value.GetText()[value.GetLength() - 1]);
  EXPECT_EQ(Expanded("<Win>"), WindowsFolder());
  EXPECT_FALSE(LookUpSymbol("<Nowhere>", value));
}

TEST_F(SymbolsTest, DefineLines) {
  Build(
      "[DEFINE]\n<win>=X\n;<C>=comment\n<A>=<Win>\\x\n<B>=<A>\\y\n<Late>=<After>\\z\n"
      "<After>=<Win>\\after\n<Up>=C:\\a\\b\\..\\c\n");
  // Six lines kept (the comment is not), the five built-ins not named by a line added.
  EXPECT_EQ(11u, SymbolTable.entries.size());
  EXPECT_EQ("<win>", SymbolTable.entries[0].name);
  std::string win = WindowsFolder();
  EXPECT_EQ(win, Expanded("<win>"));
  EXPECT_EQ(win, Expanded("<Win>"));
  EXPECT_EQ(win + "\\x\\y", Expanded("<B>"));
  // An entry sees the entries after it unexpanded; expanding a value finishes the job
  // only while passes remain.
  TextString late;
  ASSERT_TRUE(LookUpSymbol("<Late>", late));
  EXPECT_STREQ("<Win>\\after\\z", late.GetText());
  EXPECT_EQ("C:\\a\\c", Expanded("<Up>"));
  TextString comment;
  EXPECT_FALSE(LookUpSymbol("<C>", comment));
}

// A value runs from the first "=" to the end of the line: a name never holds one.
TEST_F(SymbolsTest, ValuesKeepEqualsSigns) {
  Build(
      "[DEFINE]\n<URL>=http://h/?a=1\n<Query>=a=1&b=2&c==\n<Empty>=\n<Src>=C:\\mine=old\n"
      "<Link>=<URL>&x=<Query>\n<Bare>\n");
  EXPECT_EQ("http://h/?a=1", Expanded("<URL>"));
  EXPECT_EQ("a=1&b=2&c==", Expanded("<Query>"));
  // Expanding the entries when the table is built keeps the rest of the line too.
  EXPECT_EQ("http://h/?a=1&x=a=1&b=2&c==", Expanded("<Link>"));
  TextString value("unset");
  EXPECT_TRUE(LookUpSymbol("<Empty>", value));
  EXPECT_STREQ("", value.GetText());
  // A line without "=" is a name with an empty value.
  value = "unset";
  EXPECT_TRUE(LookUpSymbol("<bare>", value));
  EXPECT_STREQ("", value.GetText());
  // The built-in replaces the whole value of a line of its name.
  EXPECT_EQ("C:\\Setup", Expanded("<Src>"));

  SetSymbol("<URL>", "ftp://h/?b=2=3");
  EXPECT_EQ("ftp://h/?b=2=3", Expanded("<URL>"));
  SetSymbol("<Empty>", "e=mc2");
  EXPECT_EQ("e=mc2", Expanded("<Empty>"));
  SetSymbol("<Query>", "");
  EXPECT_TRUE(LookUpSymbol("<Query>", value));
  EXPECT_STREQ("", value.GetText());
  EXPECT_EQ("e=mc2", Expanded("<Empty>"));
}

TEST_F(SymbolsTest, SymbolsStayWhenUnknownOrUnbalanced) {
  Build("[DEFINE]\n<A>=alpha\n<B>=<A><A>\n");
  EXPECT_EQ("<Nowhere>\\a", Expanded("<Nowhere>\\a"));
  EXPECT_EQ("a>b<A>", Expanded("a>b<A>"));
  EXPECT_EQ("alpha-<Nowhere>-alpha", Expanded("<A>-<Nowhere>-<A>"));
  // One block, looked up as a whole.
  EXPECT_EQ("<x<A>>", Expanded("<x<A>>"));
  // The entry <B> was expanded when the table was built.
  EXPECT_EQ("alphaalpha", Expanded("<B>"));
}

TEST_F(SymbolsTest, ParamQueries) {
  Build("");
  RunSettings.commandLine = "/iu.ini \"C:\\My Dir\"";
  EXPECT_EQ("/iu.ini", Expanded("{?Param\\0}"));
  EXPECT_EQ("C:\\My Dir", Expanded("{?param\\-1}"));
  EXPECT_EQ("/iu.ini, C:\\My Dir", Expanded("{?Param\\0\\-1}"));
  EXPECT_EQ("[]", Expanded("[{?Param\\1\\0}]"));
  EXPECT_EQ("[]", Expanded("[{?Param\\5}]"));
  EXPECT_EQ("/iu.ini", Expanded("{?Param\\x}"));
  EXPECT_EQ("{?Nothing\\1}{plain}", Expanded("{?Nothing\\1}{plain}"));
}

TEST_F(SymbolsTest, ParentSteps) {
  EXPECT_EQ("C:\\a\\c", Expanded("C:\\a\\b\\..\\c"));
  EXPECT_EQ("C:\\a", Expanded("C:\\a\\b\\.."));
  EXPECT_EQ("C:\\b\\..\\c", Expanded("C:\\a\\..\\b\\..\\c"));
  EXPECT_EQ("C:\\..\\b", Expanded("C:\\..\\b"));
  EXPECT_EQ("C:\\a\\d", Expanded("C:\\a\\b\\c\\..\\..\\d"));
  TextString plain("C:\\a\\b");
  EXPECT_FALSE(CollapseParentSteps(plain));
}

// A long table: the first entry of a name wins wherever it stands, for lookups and for
// SetSymbol alike, and a name found nowhere is added once at the end.
TEST_F(SymbolsTest, LongTables) {
  std::string script = "[DEFINE]\n";
  for (int i = 0; i < 300; ++i)
    script += "<D" + std::to_string(i) + ">=v" + std::to_string(i) + "\n";
  script += "<d150>=second\n<Last>=<D299>\\<d0>\n";
  Build(script);
  EXPECT_EQ(302u + 6, SymbolTable.entries.size());
  EXPECT_EQ("v0", Expanded("<D0>"));
  EXPECT_EQ("v150", Expanded("<D150>"));
  EXPECT_EQ("v299\\v0", Expanded("<LAST>"));
  TextString value;
  EXPECT_FALSE(LookUpSymbol("<D300>", value));
  EXPECT_FALSE(LookUpSymbol("<D15>x", value));

  SetSymbol("<D150>", "changed");
  EXPECT_EQ("changed", Expanded("<d150>"));
  EXPECT_EQ("<d150>", SymbolTable.entries[300].name);
  EXPECT_EQ("second", SymbolTable.entries[300].value);
  EXPECT_EQ(308u, SymbolTable.entries.size());
  SetSymbol("<New>", "n");
  ASSERT_EQ(309u, SymbolTable.entries.size());
  EXPECT_EQ("<New>", SymbolTable.entries.back().name);
  EXPECT_EQ("n", Expanded("<new>"));
}
