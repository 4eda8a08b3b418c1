#ifndef UPDATER_PLATFORM_CODE_PAGE_H_
#define UPDATER_PLATFORM_CODE_PAGE_H_

#include <string>
#include <string_view>

// The process's ANSI code page: the system's on Windows (932 on Japanese systems); on
// Linux 932 for Shift_JIS/CP932 locales, 65001 for UTF-8 locales, 1252 otherwise.
unsigned SystemCodePage();

// Text in the code page in use, as UTF-8. Bytes that do not convert become U+FFFD.
std::string AnsiToUtf8(std::string_view text);

// UTF-8 text in the code page in use. Characters the code page lacks become "?".
std::string Utf8ToAnsi(std::string_view text);

#endif  // UPDATER_PLATFORM_CODE_PAGE_H_
