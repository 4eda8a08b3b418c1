#ifndef UPDATER_COMMANDS_COMMAND_CHECK_H_
#define UPDATER_COMMANDS_COMMAND_CHECK_H_

// What the commands' checks share: the list rules of every command, told in the words the
// checker reports them with.

#include <cstdint>
#include <string>

#include "foundation/text_string.h"
#include "script/script_check.h"

// The count of a command's first list. An empty one is reported with message 4 naming
// message_key (the key itself unless given), as Execute would stop.
int32_t CheckFirstList(ProcCheck& check, const char* key, const TextString& list,
                       const char* message_key = nullptr);

// A list paired with the first by position. A count that differs is reported; an empty
// list only where may_be_empty (every item then empty, as the command allows).
void CheckPairedList(ProcCheck& check, const char* first_key, int32_t count, const char* key,
                     const TextString& list, bool may_be_empty);

// Warns about each of the first count items (trimmed) that names nothing on this machine:
// an earlier procedure may still make it.
void WarnMissingPaths(ProcCheck& check, const char* key, const TextString& list, int32_t count);

// Whether text, spaces aside, is a whole number as "%d" reads it ("-1", "20"), or a whole
// hexadecimal number as "%x" reads it ("0x21", "ff"), with nothing left over.
bool IsWholeDecimal(const TextString& text);
bool IsWholeHex(const TextString& text);

// "item 2 of TICK" or "TICK" when the list has one item.
std::string ItemName(const char* key, int32_t index, int32_t count);

#endif  // UPDATER_COMMANDS_COMMAND_CHECK_H_
