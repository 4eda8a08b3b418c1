#include "commands/conditions/crc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "foundation/crc32.h"
#include "testing/test_support.h"

// Defined per backend in file_info_<backend>_test.cc.
void* HoldFileOpen(const std::string& path);
void ReleaseHeldFile(void* hold);

TEST(CrcTest, FileIsStreamedThroughOneSmallChunk) {
  ScopedTempDir dir;
  // Several chunks of 1 MiB and a short last one.
  std::string data((5 << 19) + 3, '\0');
  std::mt19937 random(7);
  for (char& c : data) c = static_cast<char>(random());
  WriteWholeFile(dir.File("big.bin"), data);
  WriteWholeFile(dir.File("a.txt"), "123456789");
  WriteWholeFile(dir.File("empty.txt"), "");

  ByteBuffer chunk;
  uint32_t crc = 0;
  ASSERT_TRUE(GetFileCrc32(dir.File("big.bin").c_str(), chunk, &crc));
  EXPECT_EQ(crc, UpdateCrc32(0, data.data(), data.size()));
  EXPECT_LT(chunk.size, data.size()) << "the file is never held whole";
  ASSERT_TRUE(GetFileCrc32(dir.File("a.txt").c_str(), chunk, &crc)) << "the chunk is reused";
  EXPECT_EQ(crc, 0xCBF43926u);

  // Unreadable, crc unchanged: empty, missing, a folder, held by another process.
  void* hold = HoldFileOpen(dir.File("a.txt"));
  for (const char* name : {"empty.txt", "missing.txt", "", "a.txt"}) {
    crc = 5;
    EXPECT_FALSE(GetFileCrc32(dir.File(name).c_str(), chunk, &crc)) << name;
    EXPECT_EQ(crc, 5u);
  }
  ReleaseHeldFile(hold);
}
