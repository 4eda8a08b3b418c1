#include "platform/string_table.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "testing/test_support.h"

// UPDATER_LANGUAGE chooses the language whatever the system's; any other value leaves the
// choice to the system.
TEST(StringTableTest, UpdaterLanguageOverridesTheSystem) {
  ScopedEnvironment none("UPDATER_LANGUAGE", nullptr);
  const MessageLanguage system = UserMessageLanguage();
  for (const char* value : {"ja", "JA", "Ja"}) {
    ScopedEnvironment chosen("UPDATER_LANGUAGE", value);
    EXPECT_EQ(MessageLanguage::kJapanese, UserMessageLanguage()) << value;
  }
  for (const char* value : {"en", "EN"}) {
    ScopedEnvironment chosen("UPDATER_LANGUAGE", value);
    EXPECT_EQ(MessageLanguage::kEnglish, UserMessageLanguage()) << value;
  }
  for (const char* value : {"", "fr", "japanese", "en_US", " ja"}) {
    ScopedEnvironment chosen("UPDATER_LANGUAGE", value);
    EXPECT_EQ(system, UserMessageLanguage()) << value;
  }
}

// The Windows tests run under Wine in a locale whose language the runner names: the
// choice follows the user's interface language Wine derives from it.
TEST(StringTableTest, SystemLanguageOfTheTestRun) {
  const char* expected = std::getenv("UPDATER_EXPECT_LANGUAGE");
  if (!expected) GTEST_SKIP() << "the run names no language";
  ScopedEnvironment none("UPDATER_LANGUAGE", nullptr);
  EXPECT_EQ(std::string(expected) == "ja" ? MessageLanguage::kJapanese : MessageLanguage::kEnglish,
            UserMessageLanguage());
}
