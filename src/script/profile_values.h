#ifndef UPDATER_SCRIPT_PROFILE_VALUES_H_
#define UPDATER_SCRIPT_PROFILE_VALUES_H_

// Values of an INI file as the profile functions give them, before any expansion: what
// the symbol table is built from and what ReadKey expands.

#include <cstdint>

#include "foundation/text_string.h"

// Raw read of one text value. False when the key is missing or its value is "NO_DATA" in
// any case; out is then unchanged. Values are cut at 32,766 bytes.
bool ReadProfileText(const char* path, const char* section, const char* key, TextString& out);

// Raw read of one integer value ("%d" rules on at most 259 bytes). False when missing.
bool ReadProfileInt(const char* path, const char* section, const char* key, int32_t& out);

// The section's lines that do not begin with ";", joined by line feeds. Returns how many;
// 0 (out unchanged) when the section is absent or empty.
int32_t ReadSectionLines(const char* path, const char* section, TextString& out);

#endif  // UPDATER_SCRIPT_PROFILE_VALUES_H_
