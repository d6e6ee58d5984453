// The tests' local time: every test program runs in Europe/Rome (CTest sets
// TZ), on the host and under Wine alike, so that local MS-DOS date/times in
// the tests mean the same everywhere.
#include <gtest/gtest.h>

#include <ctime>

namespace {

TEST(LocalTime, RuntimeLocalTimeIsRomeWithSummerTime) {
  std::time_t summer = 1118484000;  // 2005-06-11 10:00:00 UTC
  std::tm tm = *std::localtime(&summer);
  EXPECT_EQ(tm.tm_hour, 12);
  EXPECT_GT(tm.tm_isdst, 0);
  std::time_t winter = 1104573600;  // 2005-01-01 10:00:00 UTC
  tm = *std::localtime(&winter);
  EXPECT_EQ(tm.tm_hour, 11);
  EXPECT_EQ(tm.tm_isdst, 0);
}

TEST(LocalTime, MktimeInvertsLocaltime) {
  std::tm tm{};
  tm.tm_year = 2005 - 1900;
  tm.tm_mon = 5;
  tm.tm_mday = 11;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  EXPECT_EQ(std::mktime(&tm), 1118484000);
}

}  // namespace
