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

// How a list paired with the first by position may differ from it in length.
enum class Pairing {
  kExact,     // every item is needed: a shorter or longer list is an error
  kMayShort,  // a missing item means nothing (no parameters, the default): longer is an error
  kLoose,     // the command compares what there is: a warning either way
};
void CheckPairedList(ProcCheck& check, const char* first_key, int32_t count, const char* key,
                     const TextString& list, Pairing pairing);

// Warns about each of the first count items (trimmed) that names nothing on this machine
// and that no earlier procedure makes. Patterns are left alone: matching nothing is no
// failure.
void WarnMissingPaths(ProcCheck& check, const char* key, const TextString& list, int32_t count);
// The same for a value that is one path, commas and all.
void WarnMissingPath(ProcCheck& check, const char* key, const TextString& path);

// Notes the first count items (trimmed) as made by this procedure.
void NoteMadePaths(ProcCheck& check, const TextString& list, int32_t count);

// FROM and TO as COPY and MOVE read them: paired lists of sources, which should exist, and
// targets, which exist after the procedure.
void CheckSourceTargetLists(ProcCheck& check);

// Whether text, spaces aside, is a whole number as "%d" reads it ("-1", "20"), or a whole
// hexadecimal number as "%x" reads it ("0x21", "ff"), with nothing left over.
bool IsWholeDecimal(const TextString& text);
bool IsWholeHex(const TextString& text);

// "item 2 of TICK" or "TICK" when the list has one item.
std::string ItemName(const char* key, int32_t index, int32_t count);

#endif  // UPDATER_COMMANDS_COMMAND_CHECK_H_
