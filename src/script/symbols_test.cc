#include "script/symbols.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "foundation/globals.h"
#include "platform/folders.h"
#include "script/show_box.h"
#include "testing/test_support.h"

class SymbolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoxState();
    saved_settings_ = RunSettings;
    RunSettings.title = "T";
    SymbolTable = SymbolTableData();
  }
  void TearDown() override {
    RunSettings = saved_settings_;
    SymbolTable = SymbolTableData();
    ResetBoxState();
  }
  // Builds the table from a script holding `script` beside a program in the temp folder.
  bool Build(const std::string& script) {
    WriteWholeFile(dir_.File("updater.ini"), script);
    RunSettings.scriptPath = CorePath(dir_.File("updater.ini")).c_str();
    RunSettings.programPath = "C:\\Setup\\updater.exe";
    return BuildSymbolTable();
  }
  static std::string Expanded(const char* value) {
    TextString text(value);
    EXPECT_TRUE(ExpandValue(text)) << value;
    return text.GetText();
  }
  static std::string Expanded(const std::string& value) { return Expanded(value.c_str()); }
  std::string Transcript() const { return ReadWholeFile(transcript_); }
  int Boxes() const {
    const std::string t = Transcript();
    return static_cast<int>(std::count(t.begin(), t.end(), '\n'));
  }
  // The transcript holds exactly one box: message 6 naming symbol.
  void ExpectOneBadSymbolBox(const std::string& symbol) {
    EXPECT_EQ(1, Boxes());
    // シンボルが正しくありません。
    EXPECT_NE(std::string::npos,
              Transcript().find("\xE3\x82\xB7\xE3\x83\xB3\xE3\x83\x9C\xE3\x83\xAB\xE3\x81\x8C"))
        << Transcript();
    EXPECT_NE(std::string::npos, Transcript().find("\\\"" + symbol + "\\\"")) << Transcript();
  }

  RunSettingsData saved_settings_;
  ScopedTempDir dir_;
  std::string transcript_ = dir_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
  // The checks read the Japanese texts, whatever the language of the machine.
  ScopedEnvironment language_{"UPDATER_LANGUAGE", "ja"};
};

TEST_F(SymbolsTest, BuiltInsWithoutDefine) {
  ASSERT_TRUE(Build("[UPDATER]\nNAME=x\n"));
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
  EXPECT_EQ(0, Boxes());
}

TEST_F(SymbolsTest, DefineLines) {
  ASSERT_TRUE(Build(
      "[DEFINE]\n<win>=X\n;<C>=comment\n<A>=<Win>\\x\n<B>=<A>\\y\n<Late>=<After>\\z\n"
      "<After>=<Win>\\after\n<Up>=C:\\a\\b\\..\\c\n"));
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
  EXPECT_EQ("<Win>\\after\\z", Expanded("<Late>"));
  EXPECT_EQ(win + "\\after\\z <X>", Expanded("<Late> <X>"));
  EXPECT_EQ("C:\\a\\c", Expanded("<Up>"));
  TextString comment;
  EXPECT_FALSE(LookUpSymbol("<C>", comment));
}

// An entry sees itself as written: one pass replaces it once.
TEST_F(SymbolsTest, EntriesNamingThemselves) {
  ASSERT_TRUE(Build("[DEFINE]\n<Self>=<Self>x\n<Twice>=<Twice><Twice>\n<Use>=<Self>\n"));
  EXPECT_EQ("<Self>xx", Expanded("<Self>"));
  EXPECT_EQ("<Twice><Twice><Twice><Twice>", Expanded("<Twice>"));
  EXPECT_EQ("<Self>xx", Expanded("<Use>"));
}

// A value runs from the first "=" to the end of the line: a name never holds one.
TEST_F(SymbolsTest, ValuesKeepEqualsSigns) {
  ASSERT_TRUE(Build(
      "[DEFINE]\n<URL>=http://h/?a=1\n<Query>=a=1&b=2&c==\n<Empty>=\n<Src>=C:\\mine=old\n"
      "<Link>=<URL>&x=<Query>\n<Bare>\n"));
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
  ASSERT_TRUE(Build("[DEFINE]\n<A>=alpha\n<B>=<A><A>\n<Open>=<\n"));
  EXPECT_EQ("<Nowhere>\\a", Expanded("<Nowhere>\\a"));
  EXPECT_EQ("a>b<A>", Expanded("a>b<A>"));
  EXPECT_EQ("alpha-<Nowhere>-alpha", Expanded("<A>-<Nowhere>-<A>"));
  // One block, looked up as a whole.
  EXPECT_EQ("<x<A>>", Expanded("<x<A>>"));
  EXPECT_EQ("<A", Expanded("<A"));
  // The entry <B> was expanded when the table was built.
  EXPECT_EQ("alphaalpha", Expanded("<B>"));
  // A replacement that opens a block takes the text after it into that block.
  EXPECT_EQ("<A>x <Q>", Expanded("<Open>A>x <Q>"));
  EXPECT_EQ("<<A> <Q>", Expanded("<Open><A> <Q>"));
}

TEST_F(SymbolsTest, ParamQueries) {
  ASSERT_TRUE(Build(""));
  RunSettings.commandLine = "/iu.ini \"C:\\My Dir\"";
  EXPECT_EQ("/iu.ini", Expanded("{?Param\\0}"));
  EXPECT_EQ("C:\\My Dir", Expanded("{?param\\-1}"));
  EXPECT_EQ("/iu.ini, C:\\My Dir", Expanded("{?Param\\0\\-1}"));
  EXPECT_EQ("[]", Expanded("[{?Param\\1\\0}]"));
  EXPECT_EQ("[]", Expanded("[{?Param\\5}]"));
  EXPECT_EQ("/iu.ini", Expanded("{?Param\\x}"));
  EXPECT_EQ("{?Nothing\\1}{plain}", Expanded("{?Nothing\\1}{plain}"));
  // Words past the end are empty but keep their separators; an index still negative after
  // counting from the end once is counted from the end again.
  EXPECT_EQ("C:\\My Dir, , ", Expanded("{?Param\\1\\3}"));
  EXPECT_EQ("C:\\My Dir, /iu.ini, C:\\My Dir", Expanded("{?Param\\-3\\-1}"));
  EXPECT_EQ(", /iu.ini", Expanded("{?Param\\-5\\-4}"));
  // Counts at the ends of the 32-bit range, and past them (ToInt saturates).
  EXPECT_EQ("", Expanded("{?Param\\2147483647}"));
  EXPECT_EQ("", Expanded("{?Param\\-2147483648}"));
  EXPECT_EQ(", ", Expanded("{?Param\\2147483646\\2147483647}"));
  EXPECT_EQ(", ", Expanded("{?Param\\-2147483648\\-2147483647}"));
  EXPECT_EQ("", Expanded("{?Param\\2147483647\\-2147483648}"));
  EXPECT_EQ("", Expanded("{?Param\\99999999999\\-99999999999}"));
  EXPECT_EQ(0, Boxes());
  RunSettings.commandLine = "";
  EXPECT_EQ("", Expanded("{?Param\\-1}"));
  EXPECT_EQ(", ", Expanded("{?Param\\-1\\0}"));
}

TEST_F(SymbolsTest, ParentSteps) {
  EXPECT_EQ("C:\\a\\c", Expanded("C:\\a\\b\\..\\c"));
  EXPECT_EQ("C:\\a", Expanded("C:\\a\\b\\.."));
  EXPECT_EQ("C:\\b\\..\\c", Expanded("C:\\a\\..\\b\\..\\c"));
  EXPECT_EQ("C:\\..\\b", Expanded("C:\\..\\b"));
  EXPECT_EQ("C:\\b", Expanded("C:\\..\\..\\b"));
  EXPECT_EQ("C:\\a\\d", Expanded("C:\\a\\b\\c\\..\\..\\d"));
  EXPECT_EQ("C:\\a\\...\\b", Expanded("C:\\a\\...\\b"));
  TextString plain("C:\\a\\b");
  EXPECT_FALSE(CollapseParentSteps(plain));
  TextString one("\\..");
  EXPECT_FALSE(CollapseParentSteps(one));
  EXPECT_STREQ("\\..", one.GetText());
}

// A long table: the first entry of a name wins wherever it stands, for lookups and for
// SetSymbol alike, and a name found nowhere is added once at the end.
TEST_F(SymbolsTest, LongTables) {
  std::string script = "[DEFINE]\n";
  for (int i = 0; i < 300; ++i)
    script += "<D" + std::to_string(i) + ">=v" + std::to_string(i) + "\n";
  script += "<d150>=second\n<Last>=<D299>\\<d0>\n";
  ASSERT_TRUE(Build(script));
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

namespace {

// The expansion as it was first written: blocks asked for by index, one pass per block of
// the value as given. What ExpandValue must still give, however it gets there.
bool ReferenceParam(TextString& q) {
  TextString name = q.GetItem(0, "\\");
  if (name != "?Param") return false;
  const TextString& line = RunSettings.commandLine;
  if (q.CountItems("\\") == 3) {
    int32_t a = q.GetItem(1, "\\").ToInt();
    int32_t b = q.GetItem(2, "\\").ToInt();
    int32_t words = line.CountWords();
    if (a < 0) a += words;
    if (b < 0) b += words;
    TextString joined;
    while (a <= b) {
      joined += line.GetWord(a);
      if (++a <= b) joined += ", ";
    }
    q = joined;
  } else {
    q = line.GetWord(q.GetItem(1, "\\").ToInt());
  }
  return true;
}

std::string ReferenceExpand(const char* text) {
  TextString value(text);
  for (int32_t pass = 0, i = 0, passes = value.CountBlocks("<", ">"); pass < passes; ++pass) {
    TextString symbol;
    if (LookUpSymbol(value.GetBlock(i, "<", ">").GetText(), symbol)) {
      value.ReplaceBlock(i, "<", ">", symbol.GetText());
    } else {
      ++i;
    }
  }
  for (int32_t pass = 0, i = 0, passes = value.CountBlocks("{", "}"); pass < passes; ++pass) {
    TextString q = value.GetBlock(i, "{", "}");
    q.Trim("{", "}");
    if (ReferenceParam(q)) {
      value.ReplaceBlock(i, "{", "}", q.GetText());
    } else {
      ++i;
    }
  }
  if (value.CountOccurrences("\\..") != 0) {
    int32_t steps = value.CountItems("\\") - 2;
    for (int32_t step = 0, b = 2, k = 0; step < steps && k >= 0; ++step) {
      if (value.GetItem(b, "\\") == "..") {
        value.ReplaceItems(k, b, "\\", value.GetItem(k, "\\").GetText());
        --b, --k;
      } else {
        ++b, ++k;
      }
    }
  }
  return value.GetText();
}

}  // namespace

// Values built at random from delimiters, symbols whose values hold delimiters, queries,
// parent steps, quotes and a lead byte of code page 932: one walk gives what asking for
// each block by index gave.
TEST_F(SymbolsTest, ExpansionMatchesBlockByBlock) {
  const char* const pieces[] = {
      "<A>", "<b>", "<Open>", "<Close>", "<Lead>", "<Nest>", "<Query>", "<Up>", "<Self>",
      "<Nowhere>", "<", ">", "{", "}", "{?Param\\0}", "{?Param\\-1}", "{?Param\\-3\\1}",
      "{?Param\\2\\0}", "{{?Param\\1}}", "{plain}", "\\", "\\..", "..", "x", "\x95", "\"", " "};
  for (unsigned cp : {1252u, 932u}) {
    ScopedCodePage code_page(cp);
    SymbolTable = SymbolTableData();
    SetSymbol("<A>", "alpha");
    SetSymbol("<B>", "<A>\\b");
    SetSymbol("<Open>", "<");
    SetSymbol("<Close>", ">");
    SetSymbol("<Lead>", "\x95");
    SetSymbol("<Nest>", "<A><Open>A><B>");
    SetSymbol("<Query>", "{?Param\\0\\-1}<A>");
    SetSymbol("<Up>", "\\..\\..");
    SetSymbol("<Self>", "<Self><Self>");
    SetSymbol("<x<A>>", "nested name");
    SetSymbol("<\x95<>", "lead name");
    RunSettings.commandLine = "/iu.ini \"C:\\My Dir\" {x} <A>";
    std::mt19937 random(cp);
    for (int round = 0; round < 3000; ++round) {
      std::string value;
      const int count = 1 + static_cast<int>(random() % 12);
      for (int i = 0; i < count; ++i) value += pieces[random() % std::size(pieces)];
      TextString text(value.c_str());
      ASSERT_TRUE(ExpandValue(text)) << value;
      ASSERT_EQ(ReferenceExpand(value.c_str()), text.GetText()) << "code page " << cp << ": " << value;
    }
  }
  EXPECT_EQ(0, Boxes());
}

// Up to the bound a value expands; a replacement that would take it one byte past ends
// the expansion with the value as it was and the block named. Only a value's own blocks
// make passes, so a symbol naming itself cannot run away.
TEST_F(SymbolsTest, ValueBound) {
  ASSERT_EQ(0, kMaxExpandedValue % 1024);
  SetSymbol("<K>", std::string(1024, 'k').c_str());
  std::string full;
  for (int i = 0; i < kMaxExpandedValue / 1024; ++i) full += "<K>";
  TextString value(full.c_str());
  ASSERT_TRUE(ExpandValue(value));
  EXPECT_EQ(kMaxExpandedValue, value.GetLength());
  EXPECT_EQ(std::string(kMaxExpandedValue, 'k'), value.GetText());

  TextString over((full + "x").c_str());
  TextString culprit;
  EXPECT_FALSE(ExpandSymbols(over, kMaxExpandedValue, culprit));
  EXPECT_STREQ("<K>", culprit.GetText());
  EXPECT_EQ(full + "x", over.GetText());
  // The limit is the caller's: the same value within a larger one.
  EXPECT_TRUE(ExpandSymbols(over, kMaxExpandedValue + 1, culprit));
  EXPECT_EQ(kMaxExpandedValue + 1, over.GetLength());

  // A symbol naming itself is replaced once for each block of the value as given.
  SetSymbol("<Grow>", "<Grow><Grow>");
  std::string doubling;
  for (int i = 0; i < 30000; ++i) doubling += "<Grow>";
  value = doubling.c_str();
  ASSERT_TRUE(ExpandSymbols(value, kMaxExpandedValue, culprit));
  EXPECT_EQ(doubling + doubling, value.GetText());
  EXPECT_EQ(0, Boxes());

  // Through ExpandValue: one box, message 6 naming the symbol as written, the value
  // unchanged.
  const std::string last_past = full.substr(3) + "<k>x";
  TextString shown(last_past.c_str());
  EXPECT_FALSE(ExpandValue(shown));
  EXPECT_EQ(last_past, shown.GetText());
  ExpectOneBadSymbolBox("<k>");
}

TEST_F(SymbolsTest, ParamRangeBound) {
  RunSettings.commandLine = "/iu.ini";
  // 7 bytes and a separator of 2 for each further index: exactly the bound, then past it.
  const int32_t last = (kMaxExpandedValue - 7) / 2;
  ASSERT_EQ(kMaxExpandedValue, 7 + 2 * last + 1);
  const std::string fits = "x{?Param\\0\\" + std::to_string(last) + "}";
  TextString value(fits.c_str());
  TextString culprit;
  ASSERT_TRUE(ExpandQueries(value, kMaxExpandedValue, culprit));
  EXPECT_EQ(kMaxExpandedValue, value.GetLength());
  EXPECT_EQ(0, std::string(value.GetText()).find("x/iu.ini, , "));
  EXPECT_EQ(", ", std::string(value.GetText()).substr(kMaxExpandedValue - 2));

  const std::string past = "xy{?Param\\0\\" + std::to_string(last) + "}";
  value = past.c_str();
  EXPECT_FALSE(ExpandQueries(value, kMaxExpandedValue, culprit));
  EXPECT_EQ(past, value.GetText());
  EXPECT_EQ("{?Param\\0\\" + std::to_string(last) + "}", culprit.GetText());

  for (const char* query : {"{?Param\\0\\2147483647}", "{?Param\\-2147483648\\2147483647}",
                            "{?Param\\0\\99999999999}"}) {
    value = query;
    EXPECT_FALSE(ExpandQueries(value, kMaxExpandedValue, culprit)) << query;
    EXPECT_STREQ(query, culprit.GetText());
  }
  EXPECT_EQ(0, Boxes());
  value = "{?Param\\0\\2147483647}";
  EXPECT_FALSE(ExpandValue(value));
  ExpectOneBadSymbolBox("{?Param\\\\0\\\\2147483647}");
}

// DEFINE entries: each within the value bound, all together within the table's.
TEST_F(SymbolsTest, TableBounds) {
  std::string doubling = "[DEFINE]\n<S0>=s\n";
  for (int i = 1; i <= 30; ++i) {
    doubling += "<S" + std::to_string(i) + ">=<S" + std::to_string(i - 1) + "><S" +
                std::to_string(i - 1) + ">\n";
  }
  EXPECT_FALSE(Build(doubling));
  // <S20> holds 2^20 bytes, just within the bound; <S21> would hold twice that.
  ExpectOneBadSymbolBox("<S20>");
  EXPECT_EQ(size_t{1} << 20, SymbolTable.entries[20].value.size());
  EXPECT_EQ("<S20><S20>", SymbolTable.entries[21].value);

  ResetBoxState();
  WriteWholeFile(transcript_, "");
  // Entries of nearly 1 MiB each, from a 32,168-byte one named 32 times: those that fit
  // the table's bound are built, the next one is not.
  const size_t w = 32168, m = 32 * w;
  std::string wide = "[DEFINE]\n<W>=" + std::string(w, 'w') + "\n<M>=";
  for (int i = 0; i < 32; ++i) wide += "<W>";
  wide += "\n";
  for (int i = 0; i < 20; ++i) wide += "<C" + std::to_string(i) + ">=<M>\n";
  EXPECT_FALSE(Build(wide));
  ExpectOneBadSymbolBox("<M>");
  const size_t fit = (kMaxSymbolTable - w) / m;  // <M> and the <C> entries before it
  ASSERT_EQ(16u, fit);
  EXPECT_EQ(m, SymbolTable.entries[fit].value.size());
  EXPECT_EQ("<M>", SymbolTable.entries[fit + 1].value);
}
