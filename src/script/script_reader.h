#ifndef UPDATER_SCRIPT_SCRIPT_READER_H_
#define UPDATER_SCRIPT_SCRIPT_READER_H_

#include <cstdint>

#include "foundation/text_string.h"

// Reads a value of the running script and expands it. A missing key shows message 2 with
// the section and key names and returns false; out keeps what it held. So does a value
// that would expand past kMaxExpandedValue, after message 6.
bool ReadKey(const char* section, const char* key, TextString& out);
// As ReadKey for an integer value, without expansion.
bool ReadIntKey(const char* section, const char* key, int32_t& out);

#endif  // UPDATER_SCRIPT_SCRIPT_READER_H_
