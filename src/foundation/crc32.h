#ifndef UPDATER_FOUNDATION_CRC32_H_
#define UPDATER_FOUNDATION_CRC32_H_

#include <cstddef>
#include <cstdint>

// The CRC-32 of IEEE 802.3, as zlib's crc32 computes it: reflected polynomial 0xEDB88320,
// initial value and final XOR 0xFFFFFFFF. Pass 0 for the first chunk and the result of the
// previous call for each later one; the chunks may be of any size, so a file can be
// checked through a small buffer. Chunking does not change the result.
//
// Uses the fastest method the processor offers, chosen once on first use.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size);

// The ways of computing it; all give the same values.
enum class Crc32Method {
  kTable,         // slicing by 16: any processor
  kPclmul,        // carry-less multiplication on 128-bit vectors (PCLMULQDQ)
  kVpclmulAvx2,   // the same on 256-bit vectors (VPCLMULQDQ with AVX2)
  kVpclmulAvx512  // the same on 512-bit vectors (VPCLMULQDQ with AVX-512)
};

// Whether this build and this processor can use `method`.
bool Crc32MethodAvailable(Crc32Method method);

// The method UpdateCrc32 uses: the widest one available.
Crc32Method ChosenCrc32Method();

// UpdateCrc32 by the given method, for tests and benchmarks. A method that is not
// available falls back to the table.
uint32_t UpdateCrc32With(Crc32Method method, uint32_t crc, const void* data, size_t size);

#endif  // UPDATER_FOUNDATION_CRC32_H_
