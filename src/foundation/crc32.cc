#include "foundation/crc32.h"

#include <array>
#include <utility>

// Carry-less multiplication needs GCC's target attributes and x86 intrinsics; elsewhere
// the table does all the work.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define UPDATER_CRC32_FOLDING 1
#include <immintrin.h>
#endif

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;

// Sixteen tables: table k gives the CRC of a byte followed by k zero bytes, so that
// sixteen bytes are folded in with one lookup each (slicing by 16). 16 KiB: they stay in
// the first-level cache.
constexpr int kSlice = 16;
using Tables = std::array<std::array<uint32_t, 256>, kSlice>;

constexpr Tables MakeTables() {
  Tables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? kPolynomial ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n) {
    for (int k = 1; k < kSlice; ++k) {
      uint32_t previous = tables[k - 1][n];
      tables[k][n] = tables[0][previous & 0xFF] ^ (previous >> 8);
    }
  }
  return tables;
}

// Built by the compiler: nothing to initialise at run time.
constexpr Tables kTables = MakeTables();

uint32_t LittleEndian32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The lookups of four bytes of a word, the first of which is followed by `after` more.
uint32_t Slice4(uint32_t word, int after) {
  return kTables[after][word & 0xFF] ^ kTables[after - 1][(word >> 8) & 0xFF] ^
         kTables[after - 2][(word >> 16) & 0xFF] ^ kTables[after - 3][word >> 24];
}

// The methods work on the register itself, without zlib's inversions before and after.
uint32_t TableUpdate(uint32_t c, const unsigned char* p, size_t size) {
  for (; size >= 16; size -= 16, p += 16) {
    c = Slice4(c ^ LittleEndian32(p), 15) ^ Slice4(LittleEndian32(p + 4), 11) ^
        Slice4(LittleEndian32(p + 8), 7) ^ Slice4(LittleEndian32(p + 12), 3);
  }
  for (; size >= 4; size -= 4, p += 4) c = Slice4(c ^ LittleEndian32(p), 3);
  for (; size > 0; --size, ++p) c = kTables[0][(c ^ *p) & 0xFF] ^ (c >> 8);
  return c;
}

#ifdef UPDATER_CRC32_FOLDING

// Folding: a 16-byte block of the message stands for a polynomial of degree < 128 (bit 0
// of its first byte is the highest power). Moving it d bits further along the message
// multiplies it by x^d, which modulo the polynomial is a product of its two 64-bit halves
// with two 32-bit constants; the result lands on the block d bits on and is XORed into
// it. The message shrinks so to one block, whose CRC the table then gives.

// x^n modulo the polynomial, reflected: bit 31 - i holds the coefficient of x^i.
constexpr uint32_t XPowerMod(int n) {
  uint32_t r = 0x80000000u;
  for (; n > 0; --n) r = (r & 1) ? (r >> 1) ^ kPolynomial : r >> 1;
  return r;
}

// The multipliers that move a block `bits` on. The low half of a block holds the higher
// powers (x^64 times itself); a carry-less product of reflected operands comes out
// multiplied by x, hence the 63 and the - 1.
struct Multipliers {
  uint64_t low, high;
};

constexpr Multipliers FoldBy(int bits) {
  return {uint64_t{XPowerMod(bits + 63)} << 32, uint64_t{XPowerMod(bits - 1)} << 32};
}

constexpr Multipliers kFold128 = FoldBy(128);
constexpr Multipliers kFold256 = FoldBy(256);
constexpr Multipliers kFold512 = FoldBy(512);
constexpr Multipliers kFold1024 = FoldBy(1024);
constexpr Multipliers kFold2048 = FoldBy(2048);

// Each kernel folds `size` bytes at `p` (a multiple of 16, at least 16) into one block
// and stores it to `folded`. `state` is the register before them. Kernels call nothing, so
// that no wide vector is ever spilled to the stack, which mingw does not align for them.
using Kernel = void (*)(uint32_t state, const unsigned char* p, size_t size,
                        unsigned char* folded);

#define UPDATER_PCLMUL_TARGET __attribute__((target("pclmul,sse4.1")))
#define UPDATER_AVX2_TARGET __attribute__((target("avx2,vpclmulqdq,pclmul")))
#define UPDATER_AVX512_TARGET __attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul")))
#define UPDATER_INLINE inline __attribute__((always_inline))

UPDATER_PCLMUL_TARGET UPDATER_INLINE __m128i Load128(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

UPDATER_PCLMUL_TARGET UPDATER_INLINE __m128i Set128(Multipliers m) {
  return _mm_set_epi64x(static_cast<int64_t>(m.high), static_cast<int64_t>(m.low));
}

// `block` moved on by the distance of `k`, XORed into `next`.
UPDATER_PCLMUL_TARGET UPDATER_INLINE __m128i Fold128(__m128i block, __m128i k, __m128i next) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(block, k, 0x00), _mm_clmulepi64_si128(block, k, 0x11)),
      next);
}

// The first block with the register added to its first four bytes.
UPDATER_PCLMUL_TARGET UPDATER_INLINE __m128i FirstBlock(uint32_t state, const unsigned char* p) {
  return _mm_xor_si128(Load128(p), _mm_cvtsi32_si128(static_cast<int>(state)));
}

// Four blocks in flight, 64 bytes a round.
UPDATER_PCLMUL_TARGET void PclmulKernel(uint32_t state, const unsigned char* p, size_t size,
                                        unsigned char* folded) {
  const __m128i k128 = Set128(kFold128);
  __m128i x = FirstBlock(state, p);
  p += 16;
  size -= 16;
  if (size >= 112) {
    const __m128i k512 = Set128(kFold512);
    __m128i x1 = Load128(p), x2 = Load128(p + 16), x3 = Load128(p + 32);
    p += 48;
    size -= 48;
    for (; size >= 64; p += 64, size -= 64) {
      x = Fold128(x, k512, Load128(p));
      x1 = Fold128(x1, k512, Load128(p + 16));
      x2 = Fold128(x2, k512, Load128(p + 32));
      x3 = Fold128(x3, k512, Load128(p + 48));
    }
    x = Fold128(Fold128(Fold128(x, k128, x1), k128, x2), k128, x3);
  }
  for (; size >= 16; p += 16, size -= 16) x = Fold128(x, k128, Load128(p));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), x);
}

UPDATER_AVX2_TARGET UPDATER_INLINE __m256i Load256(const unsigned char* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

UPDATER_AVX2_TARGET UPDATER_INLINE __m256i Set256(Multipliers m) {
  return _mm256_set_epi64x(static_cast<int64_t>(m.high), static_cast<int64_t>(m.low),
                           static_cast<int64_t>(m.high), static_cast<int64_t>(m.low));
}

UPDATER_AVX2_TARGET UPDATER_INLINE __m256i Fold256(__m256i block, __m256i k, __m256i next) {
  return _mm256_xor_si256(_mm256_xor_si256(_mm256_clmulepi64_epi128(block, k, 0x00),
                                           _mm256_clmulepi64_epi128(block, k, 0x11)),
                          next);
}

// Four 32-byte vectors of two blocks each, 128 bytes a round.
UPDATER_AVX2_TARGET void Avx2Kernel(uint32_t state, const unsigned char* p, size_t size,
                                    unsigned char* folded) {
  const __m128i k128 = Set128(kFold128);
  __m128i x = FirstBlock(state, p);
  p += 16;
  size -= 16;
  if (size >= 256) {
    // Single blocks up to a 32-byte boundary, so that no load straddles two cache lines.
    for (; reinterpret_cast<uintptr_t>(p) & 31; p += 16, size -= 16) {
      x = Fold128(x, k128, Load128(p));
    }
    const __m256i k1024 = Set256(kFold1024);
    __m256i y0 = _mm256_xor_si256(Load256(p),
                                  _mm256_inserti128_si256(_mm256_setzero_si256(),
                                                          Fold128(x, k128, _mm_setzero_si128()), 0));
    __m256i y1 = Load256(p + 32), y2 = Load256(p + 64), y3 = Load256(p + 96);
    p += 128;
    size -= 128;
    for (; size >= 128; p += 128, size -= 128) {
      y0 = Fold256(y0, k1024, Load256(p));
      y1 = Fold256(y1, k1024, Load256(p + 32));
      y2 = Fold256(y2, k1024, Load256(p + 64));
      y3 = Fold256(y3, k1024, Load256(p + 96));
    }
    const __m256i k256 = Set256(kFold256);
    y0 = Fold256(Fold256(Fold256(y0, k256, y1), k256, y2), k256, y3);
    for (; size >= 32; p += 32, size -= 32) y0 = Fold256(y0, k256, Load256(p));
    x = Fold128(_mm256_castsi256_si128(y0), k128, _mm256_extracti128_si256(y0, 1));
  }
  for (; size >= 16; p += 16, size -= 16) x = Fold128(x, k128, Load128(p));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), x);
}

UPDATER_AVX512_TARGET UPDATER_INLINE __m512i Load512(const unsigned char* p) {
  return _mm512_loadu_si512(p);
}

UPDATER_AVX512_TARGET UPDATER_INLINE __m512i Set512(Multipliers m) {
  auto low = static_cast<int64_t>(m.low), high = static_cast<int64_t>(m.high);
  return _mm512_set_epi64(high, low, high, low, high, low, high, low);
}

UPDATER_AVX512_TARGET UPDATER_INLINE __m512i Fold512(__m512i block, __m512i k, __m512i next) {
  // 0x96: a three-way XOR.
  return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(block, k, 0x00),
                                   _mm512_clmulepi64_epi128(block, k, 0x11), next, 0x96);
}

// Four 64-byte vectors of four blocks each, 256 bytes a round.
UPDATER_AVX512_TARGET void Avx512Kernel(uint32_t state, const unsigned char* p, size_t size,
                                        unsigned char* folded) {
  const __m128i k128 = Set128(kFold128);
  __m128i x = FirstBlock(state, p);
  p += 16;
  size -= 16;
  if (size >= 512) {
    // Single blocks up to a cache line boundary, so that no load straddles two.
    for (; reinterpret_cast<uintptr_t>(p) & 63; p += 16, size -= 16) {
      x = Fold128(x, k128, Load128(p));
    }
    const __m512i k2048 = Set512(kFold2048);
    __m512i z0 = _mm512_xor_si512(
        Load512(p),
        _mm512_inserti32x4(_mm512_setzero_si512(), Fold128(x, k128, _mm_setzero_si128()), 0));
    __m512i z1 = Load512(p + 64), z2 = Load512(p + 128), z3 = Load512(p + 192);
    p += 256;
    size -= 256;
    for (; size >= 256; p += 256, size -= 256) {
      z0 = Fold512(z0, k2048, Load512(p));
      z1 = Fold512(z1, k2048, Load512(p + 64));
      z2 = Fold512(z2, k2048, Load512(p + 128));
      z3 = Fold512(z3, k2048, Load512(p + 192));
    }
    const __m512i k512 = Set512(kFold512);
    z0 = Fold512(Fold512(Fold512(z0, k512, z1), k512, z2), k512, z3);
    for (; size >= 64; p += 64, size -= 64) z0 = Fold512(z0, k512, Load512(p));
    // The masked extracts: GCC 12 warns of the unmasked ones' undefined upper lanes.
    x = Fold128(_mm512_maskz_extracti32x4_epi32(0xF, z0, 0), k128,
                _mm512_maskz_extracti32x4_epi32(0xF, z0, 1));
    x = Fold128(x, k128, _mm512_maskz_extracti32x4_epi32(0xF, z0, 2));
    x = Fold128(x, k128, _mm512_maskz_extracti32x4_epi32(0xF, z0, 3));
  }
  for (; size >= 16; p += 16, size -= 16) x = Fold128(x, k128, Load128(p));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), x);
}

// Below this the table is as fast.
constexpr size_t kMinFoldSize = 64;

// The table up to a 16-byte boundary and for the last few bytes, a kernel between.
uint32_t FoldedUpdate(Kernel kernel, uint32_t c, const unsigned char* p, size_t size) {
  if (size < kMinFoldSize) return TableUpdate(c, p, size);
  size_t head = -reinterpret_cast<uintptr_t>(p) & 15;
  c = TableUpdate(c, p, head);
  p += head;
  size -= head;
  size_t body = size & ~size_t{15};
  alignas(16) unsigned char folded[16];
  kernel(c, p, body, folded);
  // The folded block stands for all the bytes before it, the register included.
  c = TableUpdate(0, folded, sizeof folded);
  return TableUpdate(c, p + body, size - body);
}

uint32_t PclmulUpdate(uint32_t c, const unsigned char* p, size_t size) {
  return FoldedUpdate(PclmulKernel, c, p, size);
}

uint32_t Avx2Update(uint32_t c, const unsigned char* p, size_t size) {
  return FoldedUpdate(Avx2Kernel, c, p, size);
}

uint32_t Avx512Update(uint32_t c, const unsigned char* p, size_t size) {
  return FoldedUpdate(Avx512Kernel, c, p, size);
}

#endif  // UPDATER_CRC32_FOLDING

constexpr int kMethodCount = 4;

bool ProcessorHas(Crc32Method method) {
#ifdef UPDATER_CRC32_FOLDING
  // Needed where this may run before the constructors (libgcc's one fills the answers).
  __builtin_cpu_init();
  bool pclmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  switch (method) {
    case Crc32Method::kTable:
      return true;
    case Crc32Method::kPclmul:
      return pclmul;
    case Crc32Method::kVpclmulAvx2:
      return pclmul && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
    case Crc32Method::kVpclmulAvx512:
      return pclmul && __builtin_cpu_supports("avx512f") &&
             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("vpclmulqdq");
  }
#endif
  return method == Crc32Method::kTable;
}

using Update = uint32_t (*)(uint32_t c, const unsigned char* p, size_t size);

// The update of each method, the table where the processor lacks one.
struct Methods {
  std::array<Update, kMethodCount> update;
  Crc32Method widest;
};

Methods FindMethods() {
  Methods methods;
  methods.update.fill(TableUpdate);
  methods.widest = Crc32Method::kTable;
#ifdef UPDATER_CRC32_FOLDING
  const std::array<std::pair<Crc32Method, Update>, 3> folding = {{
      {Crc32Method::kPclmul, PclmulUpdate},
      {Crc32Method::kVpclmulAvx2, Avx2Update},
      {Crc32Method::kVpclmulAvx512, Avx512Update},
  }};
  for (auto [method, update] : folding) {
    if (!ProcessorHas(method)) continue;
    methods.update[static_cast<int>(method)] = update;
    methods.widest = method;
  }
#endif
  return methods;
}

// Found once, on first use; a static local is initialised safely across threads.
const Methods& GetMethods() {
  static const Methods methods = FindMethods();
  return methods;
}

Update UpdateOf(Crc32Method method) {
  int index = static_cast<int>(method);
  return index >= 0 && index < kMethodCount ? GetMethods().update[index] : TableUpdate;
}

}  // namespace

bool Crc32MethodAvailable(Crc32Method method) {
  return method == Crc32Method::kTable || UpdateOf(method) != TableUpdate;
}

Crc32Method ChosenCrc32Method() { return GetMethods().widest; }

uint32_t UpdateCrc32With(Crc32Method method, uint32_t crc, const void* data, size_t size) {
  return ~UpdateOf(method)(~crc, static_cast<const unsigned char*>(data), size);
}

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size) {
  static const Update update = UpdateOf(ChosenCrc32Method());
  return ~update(~crc, static_cast<const unsigned char*>(data), size);
}
