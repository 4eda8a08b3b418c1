#ifndef UPDATER_PLATFORM_STRING_TABLE_H_
#define UPDATER_PLATFORM_STRING_TABLE_H_

#include <string>

// The languages of the program's string table.
enum class MessageLanguage { kJapanese, kEnglish };

// The language the program's messages are shown in: UPDATER_LANGUAGE when it says "ja" or
// "en" (any case); otherwise Japanese when the user's interface language is Japanese or
// none is set, English for every other language. Windows asks GetUserDefaultUILanguage;
// Linux takes the language of the first of LC_ALL, LC_MESSAGES and LANG that is set, and
// the C and POSIX locales set none. Read anew on every call.
MessageLanguage UserMessageLanguage();

// Message `id` of the program's string table in `language`, as UTF-8; empty for an id the
// table does not hold.
std::string LoadMessageText(unsigned id, MessageLanguage language);

// Copies message `id` of the program's string table, in UserMessageLanguage() and the code
// page in use (characters it lacks become "?"), into buffer (at most size - 1 bytes,
// NUL-terminated) and returns its length; 0 and an empty buffer for an id the table does
// not hold.
int LoadStringTemplate(unsigned id, char* buffer, int size);

#endif  // UPDATER_PLATFORM_STRING_TABLE_H_
