#include "foundation/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

uint32_t Crc(const std::string& text) { return UpdateCrc32(0, text.data(), text.size()); }

// The definition, one bit at a time: another algorithm than the one under test.
uint32_t BitwiseCrc32(const unsigned char* p, size_t size) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    c ^= p[i];
    for (int bit = 0; bit < 8; ++bit) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

}  // namespace

TEST(Crc32Test, EqualsZlibCrc32) {
  // The standard's check value and values of zlib's crc32.
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_EQ(Crc("a"), 0xE8B7BE43u);
  EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(Crc(std::string(32, '\xFF')), 0xFF6CAB0Bu);

  // Every length around the 8-byte stride, from every alignment, in one piece or two.
  std::mt19937 random(12345);
  std::string data(96, '\0');
  for (char& byte : data) byte = static_cast<char>(random());
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t length = 0; offset + length <= data.size(); ++length) {
      uint32_t expected = BitwiseCrc32(bytes + offset, length);
      ASSERT_EQ(UpdateCrc32(0, bytes + offset, length), expected) << offset << "+" << length;
      size_t split = length / 3;
      uint32_t crc = UpdateCrc32(0, bytes + offset, split);
      ASSERT_EQ(UpdateCrc32(crc, bytes + offset + split, length - split), expected);
    }
  }
}
