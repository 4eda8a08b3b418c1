#include "platform/file_info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>

#include "testing/test_support.h"

// Keeps a file open the way another process would hold it, so that an unshared open must
// fail; defined per backend in file_info_<backend>_test.cc.
void* HoldFileOpen(const std::string& path);
void ReleaseHeldFile(void* hold);

TEST(FileInfoTest, ReadsOnlyRegularFilesNoOneHolds) {
  ScopedTempDir dir;
  std::string data;
  for (int i = 0; i < 5000; ++i) data += static_cast<char>(i * 7);
  std::string path = dir.File("data.bin");
  WriteWholeFile(path, data);

  UnsharedFile* file = OpenUnsharedFile(path.c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(UnsharedFileSize(file), data.size());
  std::string read(333, '\0'), all;
  for (int64_t n; (n = ReadUnsharedFile(file, read.data(), 333)) > 0;) all.append(read, 0, n);
  EXPECT_EQ(all, data);
  EXPECT_EQ(ReadUnsharedFile(file, read.data(), 1), 0) << "the end stays the end";
  CloseUnsharedFile(file);

  CalendarDate date;
  void* hold = HoldFileOpen(path);
  EXPECT_EQ(OpenUnsharedFile(path.c_str()), nullptr);
  EXPECT_FALSE(GetFileWriteDate(path.c_str(), &date));
  ReleaseHeldFile(hold);
  file = OpenUnsharedFile(path.c_str());
  EXPECT_NE(file, nullptr) << "released, the file opens again";
  CloseUnsharedFile(file);

  for (const std::string& other : {dir.File("missing.txt"), dir.path().string()}) {
    EXPECT_EQ(OpenUnsharedFile(other.c_str()), nullptr) << other;
    EXPECT_FALSE(GetFileWriteDate(other.c_str(), &date)) << other;
  }
}

TEST(FileInfoTest, WriteDateIsTheLocalDay) {
  ScopedTempDir dir;
  std::string path = dir.File("dated.txt");
  WriteWholeFile(path, "x");
  for (int year : {1999, 2024, 2038}) {
    std::tm local{};
    local.tm_year = year - 1900, local.tm_mon = 1, local.tm_mday = 29, local.tm_hour = 12;
    local.tm_isdst = -1;
    auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(when));
    CalendarDate date;
    ASSERT_TRUE(GetFileWriteDate(path.c_str(), &date));
    // February 29 exists in 2024 only; mktime moves the others to March 1.
    EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day,
              year * 10000 + (year == 2024 ? 229 : 301));
  }
}
