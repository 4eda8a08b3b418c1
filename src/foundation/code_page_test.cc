#include "foundation/code_page.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "testing/test_support.h"

class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = CodePage(); }
  void TearDown() override { SetCodePage(saved_); }

  unsigned saved_ = 0;
};

TEST_F(CodePageTest, LeadBytes) {
  SetCodePage(0);
  EXPECT_EQ(SystemCodePage(), CodePage());
  SetCodePage(932);
  for (int c : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_TRUE(IsLeadByte(c)) << c;
  for (int c : {0x5C, 0x80, 0xA0, 0xDF, 0xFD}) EXPECT_FALSE(IsLeadByte(c)) << c;
  for (unsigned cp : {936u, 949u, 950u}) {
    SetCodePage(cp);
    for (int c : {0x81, 0xA0, 0xFE}) EXPECT_TRUE(IsLeadByte(c)) << cp << " " << c;
    for (int c : {0x5C, 0x80, 0xFF}) EXPECT_FALSE(IsLeadByte(c)) << cp << " " << c;
  }
  for (unsigned cp : {1252u, 65001u}) {
    SetCodePage(cp);
    for (int c = 0; c < 256; ++c) EXPECT_FALSE(IsLeadByte(c)) << cp << " " << c;
  }
}

TEST_F(CodePageTest, SearchStepsOverWholeCharacters) {
  SetCodePage(932);
  EXPECT_EQ(2, CharLength("\x95\x5C"));
  EXPECT_EQ(1, CharLength("\x95"));  // A lone lead byte before the NUL.
  // Second bytes equal to the pattern: 表 (0x95 0x5C), ソ (0x83 0x5C), a lead byte with ','.
  const char* text = "\x95\x5C\x83\x5C\\x";
  EXPECT_EQ(text + 4, SearchText(text, "\\"));
  EXPECT_EQ(text + 2, SearchText(text, "\x83\x5C"));
  EXPECT_EQ(nullptr, SearchText(text, "\x5C\x83"));  // Would start on a second byte.
  EXPECT_EQ(nullptr, SearchText("a\x81,b", ","));
  EXPECT_EQ(nullptr, SearchText("abc", ""));
  const char lone[] = {'a', '\x95', '\0', ',', '\0'};
  EXPECT_EQ(nullptr, SearchText(lone, ","));
  SetCodePage(65001);
  EXPECT_EQ(1, CharLength("\x95\x5C"));
  EXPECT_EQ(text + 1, SearchText(text, "\\"));
}

namespace {

void FailInCodePage932() {
  ScopedCodePage cp932(932);
  FAIL() << "an assertion that fails";
}

}  // namespace

// A failing assertion returns from the test at once; the code page of the tests after it
// must not change with it.
TEST(ScopedCodePageTest, RestoresAfterAFailedAssertion) {
  ScopedCodePage utf8(65001);
  EXPECT_FATAL_FAILURE(FailInCodePage932(), "an assertion that fails");
  EXPECT_EQ(65001u, CodePage());
}
