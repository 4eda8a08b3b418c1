#ifndef UPDATER_FOUNDATION_CRC32_H_
#define UPDATER_FOUNDATION_CRC32_H_

#include <cstddef>
#include <cstdint>

// The CRC-32 of IEEE 802.3, as zlib's crc32 computes it: reflected polynomial 0xEDB88320,
// initial value and final XOR 0xFFFFFFFF. Pass 0 for the first chunk and the result of the
// previous call for each later one; the chunks may be of any size, so a file can be
// checked through a small buffer. Chunking does not change the result.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size);

#endif  // UPDATER_FOUNDATION_CRC32_H_
