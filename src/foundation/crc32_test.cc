#include "foundation/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

uint32_t Crc(const std::string& text) { return UpdateCrc32(0, text.data(), text.size()); }

// The definition, one bit at a time: another algorithm than the ones under test.
uint32_t BitwiseCrc32(const unsigned char* p, size_t size) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    c ^= p[i];
    for (int bit = 0; bit < 8; ++bit) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

uint32_t ZlibCrc32(const unsigned char* p, size_t size) {
  return static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(size)));
}

// Bytes starting on a 64-byte boundary, so that offsets 0..63 give every alignment a
// vector load can meet.
class AlignedBytes {
 public:
  explicit AlignedBytes(size_t size) : storage_(size + 64) {
    auto address = reinterpret_cast<uintptr_t>(storage_.data());
    start_ = storage_.data() + (-address & 63);
  }
  unsigned char* data() { return start_; }

 private:
  std::vector<unsigned char> storage_;
  unsigned char* start_;
};

std::string Name(Crc32Method method) {
  switch (method) {
    case Crc32Method::kTable:
      return "Table";
    case Crc32Method::kPclmul:
      return "Pclmul";
    case Crc32Method::kVpclmulAvx2:
      return "VpclmulAvx2";
    case Crc32Method::kVpclmulAvx512:
      return "VpclmulAvx512";
  }
  return "Unknown";
}

}  // namespace

// Names the method in failure messages of the parameterised tests.
void PrintTo(Crc32Method method, std::ostream* out) { *out << Name(method); }

namespace {

const Crc32Method kMethods[] = {Crc32Method::kTable, Crc32Method::kPclmul,
                                Crc32Method::kVpclmulAvx2, Crc32Method::kVpclmulAvx512};

}  // namespace

TEST(Crc32Test, EqualsZlibCrc32) {
  // The standard's check value and values of zlib's crc32.
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_EQ(Crc("a"), 0xE8B7BE43u);
  EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(Crc(std::string(32, '\xFF')), 0xFF6CAB0Bu);

  // zlib agrees with the definition, so that the method tests below may rely on it.
  std::mt19937 random(12345);
  std::vector<unsigned char> data(300);
  for (auto& byte : data) byte = static_cast<unsigned char>(random());
  for (size_t length = 0; length <= data.size(); ++length) {
    ASSERT_EQ(ZlibCrc32(data.data(), length), BitwiseCrc32(data.data(), length)) << length;
    ASSERT_EQ(UpdateCrc32(0, data.data(), length), BitwiseCrc32(data.data(), length)) << length;
  }
}

TEST(Crc32Test, ChoosesTheWidestAvailableMethod) {
  Crc32Method chosen = ChosenCrc32Method();
  EXPECT_TRUE(Crc32MethodAvailable(chosen)) << Name(chosen);
  EXPECT_TRUE(Crc32MethodAvailable(Crc32Method::kTable));
  for (Crc32Method method : kMethods) {
    if (method > chosen) {
      EXPECT_FALSE(Crc32MethodAvailable(method)) << Name(method);
    }
  }
  // Each wider method needs what the narrower folding one does.
  if (Crc32MethodAvailable(Crc32Method::kVpclmulAvx2) ||
      Crc32MethodAvailable(Crc32Method::kVpclmulAvx512)) {
    EXPECT_TRUE(Crc32MethodAvailable(Crc32Method::kPclmul));
  }

  // A method the processor lacks falls back to the table rather than fault.
  AlignedBytes data(5000);
  std::mt19937 random(7);
  for (size_t i = 0; i < 5000; ++i) data.data()[i] = static_cast<unsigned char>(random());
  uint32_t expected = ZlibCrc32(data.data() + 3, 4997);
  EXPECT_EQ(UpdateCrc32(0, data.data() + 3, 4997), expected);
  for (Crc32Method method : kMethods) {
    EXPECT_EQ(UpdateCrc32With(method, 0, data.data() + 3, 4997), expected) << Name(method);
  }
}

class Crc32MethodTest : public testing::TestWithParam<Crc32Method> {
 protected:
  void SetUp() override {
    if (!Crc32MethodAvailable(GetParam())) {
      GTEST_SKIP() << "this processor lacks what " << Name(GetParam()) << " needs";
    }
  }
  uint32_t Crc(uint32_t crc, const unsigned char* p, size_t size) {
    return UpdateCrc32With(GetParam(), crc, p, size);
  }
};

TEST_P(Crc32MethodTest, EveryShortLengthFromEveryAlignment) {
  constexpr size_t kMaxLength = 1100;
  AlignedBytes data(kMaxLength + 64);
  std::mt19937 random(2024);
  for (size_t i = 0; i < kMaxLength + 64; ++i) data.data()[i] = static_cast<unsigned char>(random());
  for (size_t offset = 0; offset < 64; ++offset) {
    const unsigned char* p = data.data() + offset;
    for (size_t length = 0; length <= kMaxLength; ++length) {
      uint32_t expected = ZlibCrc32(p, length);
      ASSERT_EQ(Crc(0, p, length), expected) << offset << "+" << length;
      // Pieces ending at odd places, so that each call starts misaligned.
      size_t first = length / 3 + (length > 0), second = (length - first) / 2 + 1;
      if (first + second > length) second = length - first;
      uint32_t crc = Crc(0, p, first);
      crc = Crc(crc, p + first, second);
      ASSERT_EQ(Crc(crc, p + first + second, length - first - second), expected)
          << offset << "+" << length << " in " << first << ", " << second;
    }
  }
}

TEST_P(Crc32MethodTest, LongBuffersWholeAndInPieces) {
  constexpr size_t kLengths[] = {4095, 4096, 4097, 65537, (1 << 20) + 3};
  AlignedBytes data((1 << 20) + 3 + 64);
  std::mt19937 random(99);
  for (size_t i = 0; i < (1 << 20) + 3 + 64; ++i) data.data()[i] = static_cast<unsigned char>(random());
  for (size_t offset : {0, 1, 15, 16, 17, 32, 48, 63}) {
    const unsigned char* p = data.data() + offset;
    for (size_t length : kLengths) {
      uint32_t expected = ZlibCrc32(p, length);
      ASSERT_EQ(Crc(0, p, length), expected) << offset << "+" << length;
      // Pieces of random sizes, from a byte to twice the widest round.
      uint32_t crc = 0;
      for (size_t done = 0; done < length;) {
        size_t piece = std::min<size_t>(length - done, 1 + random() % 1100);
        crc = Crc(crc, p + done, piece);
        done += piece;
      }
      ASSERT_EQ(crc, expected) << offset << "+" << length << " in random pieces";
    }
  }
}

TEST_P(Crc32MethodTest, UniformBytes) {
  // Zeros leave a folded block all zero but for the register, which must still count.
  for (unsigned char fill : {0x00, 0xFF}) {
    AlignedBytes data(70000 + 64);
    std::fill(data.data(), data.data() + 70000 + 64, fill);
    for (size_t length : {0, 1, 63, 64, 65, 255, 256, 512, 527, 528, 1024, 4096, 70000}) {
      for (size_t offset : {0, 7, 16}) {
        const unsigned char* p = data.data() + offset;
        uint32_t expected = ZlibCrc32(p, length);
        ASSERT_EQ(Crc(0, p, length), expected) << int{fill} << " " << offset << "+" << length;
        // From a register other than the first one's.
        uint32_t prefix = ZlibCrc32(reinterpret_cast<const unsigned char*>("abc"), 3);
        uint32_t chained = static_cast<uint32_t>(crc32(prefix, p, static_cast<uInt>(length)));
        ASSERT_EQ(Crc(prefix, p, length), chained) << int{fill} << " " << offset << "+" << length;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(, Crc32MethodTest, testing::ValuesIn(kMethods),
                         [](const testing::TestParamInfo<Crc32Method>& info) {
                           return Name(info.param);
                         });
