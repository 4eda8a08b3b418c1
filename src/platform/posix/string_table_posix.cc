#include "platform/string_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "foundation/ascii.h"
#include "platform/code_page.h"

namespace {

struct Message {
  unsigned id;
  const char* japanese;
  const char* english;
};

constexpr Message kMessages[] = {
#define MESSAGE(id, japanese, english) {id, japanese, english},
#include "messages_table.inc"
#undef MESSAGE
};

// The language part of a locale name ("ja" of "ja_JP.UTF-8@cjk"); empty for none.
std::string_view LocaleLanguage(std::string_view locale) {
  std::string_view language = locale.substr(0, locale.find_first_of("_.@"));
  // C.UTF-8 and POSIX name no language.
  if (language == "C" || language == "POSIX") return {};
  return language;
}

}  // namespace

MessageLanguage UserMessageLanguage() {
  if (const char* chosen = std::getenv("UPDATER_LANGUAGE")) {
    if (AsciiEqualFold(chosen, "ja")) return MessageLanguage::kJapanese;
    if (AsciiEqualFold(chosen, "en")) return MessageLanguage::kEnglish;
  }
  // The order in which the C library picks the locale of its messages.
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) {
      locale = value;
      break;
    }
  }
  std::string_view language = LocaleLanguage(locale);
  // No language set keeps the Japanese texts the program has always shown.
  if (language.empty() || AsciiEqualFold(language, "ja")) return MessageLanguage::kJapanese;
  return MessageLanguage::kEnglish;
}

std::string LoadMessageText(unsigned id, MessageLanguage language) {
  for (const Message& m : kMessages) {
    if (m.id == id) return language == MessageLanguage::kJapanese ? m.japanese : m.english;
  }
  return std::string();
}

int LoadStringTemplate(unsigned id, char* buffer, int size) {
  if (size <= 0) return 0;
  buffer[0] = '\0';
  std::string text = Utf8ToAnsi(LoadMessageText(id, UserMessageLanguage()));
  // Like LoadStringA: cut to the buffer, never past it.
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}
