#include "commands/conditions/date.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "testing/test_support.h"

TEST(DateTest, ComparesTheLocalDayFieldByField) {
  ScopedTempDir dir;
  // Last written on 2020/3/15 at the local hour; the hour plays no part.
  auto dated = [&dir](const char* name, int day, int hour) {
    WriteWholeFile(dir.File(name), "x");
    std::tm local{};
    local.tm_year = 120, local.tm_mon = 2, local.tm_mday = day, local.tm_hour = hour;
    local.tm_isdst = -1;
    auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    std::filesystem::last_write_time(dir.File(name), std::chrono::file_clock::from_sys(when));
    return dir.File(name);
  };
  std::string noon = dated("noon.txt", 15, 12), early = dated("early.txt", 15, 1);
  const std::pair<const char*, bool> dates[] = {
      {"2020/3/15", true},
      {"2020/03/16", false},
      {"2020/3/14", true},
      {"2020/2/28", true},
      {"2020/4/1", false},
      {"2019/12/31", true},
      {"2021/1/1", false},
      // Missing or unreadable parts count as 0; a two-digit year is a small year.
      {"2020/3", true},
      {"2021", false},
      {"x/y/z", true},
      {"20/12/31", true},
      // Each part is cut to 16 bits and compared unsigned.
      {"-1/1/1", false},
      {"65556/1/1", true},
      {"2020/-1/1", false}};
  for (const auto& [date, passes] : dates) {
    EXPECT_EQ(IsFileDateOnOrAfter(noon.c_str(), date), passes) << date;
    EXPECT_EQ(IsFileDateOnOrAfter(early.c_str(), date), passes) << date;
  }
  EXPECT_FALSE(IsFileDateOnOrAfter(dated("late.txt", 14, 22).c_str(), "2020/3/15"));
  EXPECT_FALSE(IsFileDateOnOrAfter(dir.File("missing.txt").c_str(), "1900/1/1"));
}
