#include "foundation/paths.h"

#include <string>
#include <vector>

#include "foundation/code_page.h"
#include "testing/temp_folder_test.h"

namespace {

// Records the walk's calls as "F name", "E name", "L name" (names relative to the base);
// stops the walk at the call numbered stop_at.
struct Recorder {
  std::string base;
  std::vector<std::string> calls;
  size_t stop_at = 0;
};

bool Record(const TextString& path, WalkEvent event, void* context) {
  auto* recorder = static_cast<Recorder*>(context);
  std::string text = path.GetText();
  std::string name = text.compare(0, recorder->base.size(), recorder->base) == 0
                         ? text.substr(recorder->base.size())
                         : "?" + text;
  recorder->calls.push_back(std::string(1, "FEL"[event]) + " " + name);
  return recorder->calls.size() != recorder->stop_at;
}

}  // namespace

using PathsTest = TempFolderTest;

TEST_F(PathsTest, ExistsAndIsFolder) {
  Write("a.txt", "a");
  Folder("sub");
  EXPECT_TRUE(PathExists(P("a.txt").c_str()));
  EXPECT_TRUE(PathExists(P("sub").c_str()));
  EXPECT_TRUE(PathExists(P("*.TXT").c_str()));
  EXPECT_TRUE(PathExists(P("?.txt").c_str()));
  EXPECT_FALSE(PathExists(P("*.bin").c_str()));
  EXPECT_FALSE(PathExists(P("b.txt").c_str()));
  EXPECT_FALSE(PathExists(P("sub\\").c_str()));  // FindFirstFileA finds nothing there
  EXPECT_FALSE(PathExists(""));
  EXPECT_TRUE(IsFolder(P("sub").c_str()));
  EXPECT_TRUE(IsFolder(P("sub\\").c_str()));
  EXPECT_FALSE(IsFolder(P("a.txt").c_str()));
  EXPECT_FALSE(IsFolder(P("s*").c_str()));
  EXPECT_FALSE(IsFolder(P("missing").c_str()));
}

TEST_F(PathsTest, MakePath) {
  Folder("a");
  EXPECT_TRUE(MakePath(T("a\\b\\c")));
  EXPECT_TRUE(IsFolder(P("a\\b\\c").c_str()));
  EXPECT_TRUE(MakePath(T("a\\b\\c")));
  EXPECT_TRUE(MakePath(T("a")));
  // Final and doubled backslashes name the same folders.
  EXPECT_TRUE(MakePath(T("d\\\\e\\")));
  EXPECT_TRUE(IsFolder(P("d\\e").c_str()));
  EXPECT_TRUE(MakePath(T("d\\e\\")));
  // A file in the way fails.
  Write("g\\f", "file");
  EXPECT_FALSE(MakePath(T("g\\f")));
  EXPECT_FALSE(MakePath(T("g\\f\\x")));
  EXPECT_EQ("file", Read("g\\f"));
  // Wildcards cannot be part of a folder name; the folders made before stay.
  EXPECT_FALSE(MakePath(T("h\\i\\x*\\j")));
  EXPECT_TRUE(IsFolder(P("h\\i").c_str()));
  EXPECT_FALSE(Exists("h\\i\\x*"));
  // Item 0 is never made: the empty text and one item succeed at once.
  EXPECT_TRUE(MakePath(""));
  EXPECT_TRUE(MakePath("no-such-relative-folder"));
  EXPECT_FALSE(IsFolder("no-such-relative-folder"));
}

TEST_F(PathsTest, WalkEvents) {
  Write("t\\a.txt", "");
  Write("t\\s\\b.txt", "");
  Write("t\\s\\e\\c.txt", "");
  Folder("t\\empty");
  Recorder r{P("t\\"), {}};
  ASSERT_TRUE(WalkFolder(T("t"), Record, true, &r));
  std::sort(r.calls.begin(), r.calls.end());  // the order of a folder's entries is the system's
  EXPECT_EQ((std::vector<std::string>{"E empty", "E s", "E s\\e", "F a.txt", "F s\\b.txt",
                                      "F s\\e\\c.txt", "L empty", "L s", "L s\\e"}),
            r.calls);
  // Depth first: a folder's contents come between its own two calls. A final backslash
  // gives the same entry paths.
  r.calls.clear();
  ASSERT_TRUE(WalkFolder(T("t\\s\\"), Record, true, &r));
  ASSERT_EQ(4u, r.calls.size());
  auto enter = std::find(r.calls.begin(), r.calls.end(), "E s\\e");
  ASSERT_LE(enter + 3, r.calls.end());
  EXPECT_EQ((std::vector<std::string>{"E s\\e", "F s\\e\\c.txt", "L s\\e"}),
            std::vector<std::string>(enter, enter + 3));
  // Without recursion a folder is matched itself and not entered.
  r.calls.clear();
  EXPECT_TRUE(WalkFolder(T("t\\s"), Record, false, &r));
  EXPECT_EQ((std::vector<std::string>{"E s", "L s"}), r.calls);
  r.calls.clear();
  EXPECT_TRUE(WalkFolder(T("t\\*.TXT"), Record, true, &r));
  EXPECT_EQ((std::vector<std::string>{"F a.txt"}), r.calls);
  // An empty folder holds only "." and "..": found, nothing reported.
  r.calls.clear();
  EXPECT_TRUE(WalkFolder(T("t\\empty"), Record, true, &r));
  EXPECT_TRUE(r.calls.empty());
  // Nothing matches: a failure.
  EXPECT_FALSE(WalkFolder(T("t\\*.bin"), Record, true, &r));
  EXPECT_FALSE(WalkFolder(T("t\\missing"), Record, false, &r));
  EXPECT_TRUE(r.calls.empty());
  // A path of one item is relative to the current folder: its entries are bare names.
  std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(Native(P("t")));
  Recorder relative{"", {}};
  EXPECT_TRUE(WalkFolder("a.txt", Record, false, &relative));
  EXPECT_TRUE(WalkFolder("*.txt", Record, true, &relative));
  std::filesystem::current_path(saved);
  EXPECT_EQ((std::vector<std::string>{"F a.txt", "F a.txt"}), relative.calls);
  // A callback's false ends the walk at once, also from a nested walk.
  for (size_t stop : {1, 2, 3, 5}) {
    Recorder s{P("t\\"), {}, stop};
    EXPECT_FALSE(WalkFolder(T("t"), Record, true, &s)) << stop;
    EXPECT_EQ(stop, s.calls.size());
  }
}

TEST_F(PathsTest, TrailingBackslashes) {
  EXPECT_STREQ("C:\\a", WithoutTrailingBackslashes("C:\\a\\\\").GetText());
  EXPECT_STREQ("\\\\server\\share", WithoutTrailingBackslashes("\\\\server\\share\\").GetText());
  EXPECT_STREQ("", WithoutTrailingBackslashes("\\\\").GetText());
  EXPECT_STREQ("a", WithoutTrailingBackslashes("a").GetText());
  // In code page 932 the second byte of 表 (0x95 0x5C) is no separator.
  ScopedCodePage cp932(932);
  EXPECT_STREQ("C:\\\x95\x5C", WithoutTrailingBackslashes("C:\\\x95\x5C\\").GetText());
  EXPECT_STREQ("C:\\\x95\x5C", WithoutTrailingBackslashes("C:\\\x95\x5C").GetText());
}
