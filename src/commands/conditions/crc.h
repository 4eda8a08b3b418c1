#ifndef UPDATER_COMMANDS_CONDITIONS_CRC_H_
#define UPDATER_COMMANDS_CONDITIONS_CRC_H_

#include <cstdint>

#include "foundation/byte_buffer.h"
#include "script/procedures.h"

class ProcCheck;

struct CRC_INFO : ProcRecord {
  TextString file;  // "FILE": comma list of file paths
  TextString type;  // "TYPE": "AND" (any case): every file must match; else one is enough
  TextString crc;   // "CRC": comma list of expected CRC-32 values in hex; an empty item
                    // shows that file's CRC-32 instead
};

ProcRecord* LoadCrc(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckCrc(ProcCheck& check);
// Checks the files against their expected values and sets the flag as TYPE says; shows
// the CRC-32 of each file without an expected value (or its read-error box). Stops the run
// only for an empty FILE (message 4).
bool ExecuteCrc(ProcRecord* record);

// The CRC-32 of the file's bytes, read through chunk (allocated on first use, then
// reused). False, crc unchanged, when the file cannot be opened (another process holds
// it, say), holds no bytes, or a read fails.
bool GetFileCrc32(const char* path, ByteBuffer& chunk, uint32_t* crc);

#endif  // UPDATER_COMMANDS_CONDITIONS_CRC_H_
