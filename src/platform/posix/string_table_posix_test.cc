#include "platform/string_table.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "testing/test_support.h"

namespace {

struct LocaleCase {
  const char* lc_all;
  const char* lc_messages;
  const char* lang;
  MessageLanguage expected;
};

}  // namespace

// The first of LC_ALL, LC_MESSAGES and LANG that is set and not empty names the language;
// Japanese for Japanese and for no language at all (unset, C, POSIX), else English.
TEST(StringTablePosixTest, LanguageOfTheLocale) {
  constexpr auto kJa = MessageLanguage::kJapanese;
  constexpr auto kEn = MessageLanguage::kEnglish;
  const LocaleCase cases[] = {
      {nullptr, nullptr, nullptr, kJa},
      {"", "", "", kJa},
      {nullptr, nullptr, "C", kJa},
      {nullptr, nullptr, "POSIX", kJa},
      {nullptr, nullptr, "C.UTF-8", kJa},
      {nullptr, nullptr, "ja_JP.UTF-8", kJa},
      {nullptr, nullptr, "ja_JP.SJIS", kJa},
      {nullptr, nullptr, "ja", kJa},
      {nullptr, nullptr, "en_US.UTF-8", kEn},
      {nullptr, nullptr, "de_DE@euro", kEn},
      {nullptr, nullptr, "jv_ID", kEn},
      // LC_ALL before LC_MESSAGES before LANG; an empty one does not count.
      {"en_GB.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8", kEn},
      {"C", "en_US.UTF-8", "en_US.UTF-8", kJa},
      {nullptr, "en_US.UTF-8", "ja_JP.UTF-8", kEn},
      {"", "ja_JP.UTF-8", "en_US.UTF-8", kJa},
      {"", "", "fr_FR.UTF-8", kEn},
  };
  // The locale's character set is read once; read it before the variables change.
  SystemCodePage();
  ScopedEnvironment no_choice("UPDATER_LANGUAGE", nullptr);
  for (const LocaleCase& c : cases) {
    SCOPED_TRACE(std::string(c.lc_all ? c.lc_all : "-") + " " +
                 (c.lc_messages ? c.lc_messages : "-") + " " + (c.lang ? c.lang : "-"));
    ScopedEnvironment lc_all("LC_ALL", c.lc_all);
    ScopedEnvironment lc_messages("LC_MESSAGES", c.lc_messages);
    ScopedEnvironment lang("LANG", c.lang);
    EXPECT_EQ(c.expected, UserMessageLanguage());
    ScopedEnvironment chosen("UPDATER_LANGUAGE", c.expected == kJa ? "en" : "ja");
    EXPECT_NE(c.expected, UserMessageLanguage());
  }
}
