#include "platform/string_table.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/ascii.h"
#include "foundation/utf8.h"
#include "platform/code_page.h"

MessageLanguage UserMessageLanguage() {
  if (const char* chosen = std::getenv("UPDATER_LANGUAGE")) {
    if (AsciiEqualFold(chosen, "ja")) return MessageLanguage::kJapanese;
    if (AsciiEqualFold(chosen, "en")) return MessageLanguage::kEnglish;
  }
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? MessageLanguage::kJapanese
                                                                    : MessageLanguage::kEnglish;
}

// LoadStringW would pick the table of the thread's UI language; the block of the chosen
// language is found and read here instead. A block holds 16 strings, each a length in
// UTF-16 units followed by that many units.
std::string LoadMessageText(unsigned id, MessageLanguage language) {
  WORD lang_id = language == MessageLanguage::kJapanese
                     ? MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)
                     : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC block = FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                MAKEINTRESOURCEW(id / 16 + 1), lang_id);
  if (!block) return std::string();
  HGLOBAL data = LoadResource(module, block);
  const auto* p = static_cast<const WCHAR*>(data ? LockResource(data) : nullptr);
  if (!p) return std::string();
  const WCHAR* end = p + SizeofResource(module, block) / sizeof(WCHAR);
  for (unsigned i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
  if (p >= end || p + 1 + *p > end) return std::string();
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(p + 1), *p));
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
