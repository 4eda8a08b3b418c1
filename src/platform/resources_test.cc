#include "platform/resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system_error.h"
#include "standins/pe_test_image.h"
#include "testing/test_support.h"

namespace {

struct Damage {
  const char* what;
  uint32_t at;  // from the start of the resource section
  int width;
  uint32_t value;
};

}  // namespace

// A damaged resource directory is refused before anything reads it (Wine's own functions
// fault on these), as a source and as a target, and the file stays as it was.
TEST(ResourcesTest, DamagedDirectoriesAreRefused) {
  // The tree of one resource: root at 0, name directory at 0x18 (its entry at 0x28),
  // language directory at 0x30 (its entry at 0x40), data entry at 0x48.
  std::vector<uint8_t> good =
      WithResources(MakeTestImage({}), {TestResource("#10", "NAME", 0x409, "data")});
  uint32_t root = TestGet32(good, TestOffsets(good).section_table + 40 + 20);
  ASSERT_EQ(kTestResourceRva + 0x68, TestGet32(good, root + 0x48)) << "the layout changed";
  const Damage damages[] = {
      {"loop back to the root", 20, 4, 0x80000000},
      {"name directory leading to itself", 0x2C, 4, 0x80000018},
      {"subdirectory past the end", 20, 4, 0x80001000},
      {"subdirectory far past the end", 20, 4, 0xFFFFFFF0},
      {"name past the end", 0x28, 4, 0x80000FFE},
      {"huge count", 14, 2, 0xFFFF},
      {"huge count of names", 0x18 + 12, 2, 0xFFFF},
      {"data entry past the end", 0x44, 4, 0x1000},
      {"data block past 4 GB", 0x4C, 4, 0xFFFFFFFF},
  };
  ScopedTempDir dir;
  std::string path = dir.File("damaged.exe");
  std::string core = CorePath(path);
  // The sound image opens both ways, so that a refusal below is the damage's.
  WriteWholeFile(path, std::string(good.begin(), good.end()));
  ResourceModule module = OpenResourceModule(core.c_str());
  ASSERT_NE(nullptr, module);
  CloseResourceModule(module);
  ResourceUpdate update = BeginResourceUpdate(core.c_str());
  ASSERT_NE(nullptr, update);
  ASSERT_TRUE(EndResourceUpdate(update, true));

  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    std::vector<uint8_t> bytes = good;
    if (d.width == 2) TestPut16(bytes, root + d.at, d.value);
    if (d.width == 4) TestPut32(bytes, root + d.at, d.value);
    std::string damaged(bytes.begin(), bytes.end());
    WriteWholeFile(path, damaged);
    SetLastSystemError(0);
    module = OpenResourceModule(core.c_str());
    EXPECT_EQ(nullptr, module);
    EXPECT_NE(0u, LastSystemError());
    if (module) CloseResourceModule(module);
    SetLastSystemError(0);
    update = BeginResourceUpdate(core.c_str());
    EXPECT_EQ(nullptr, update);
    EXPECT_NE(0u, LastSystemError());
    if (update) EndResourceUpdate(update, true);
    EXPECT_EQ(damaged, ReadWholeFile(path));
  }
}
