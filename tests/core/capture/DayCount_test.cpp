#include "core/capture/DayCount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

namespace vexilon {
namespace {

using std::chrono::system_clock;

// A local date and time, so that the expected values hold in any time zone.
system_clock::time_point Local(int year, int month, int day, int hour, int minute, int second,
                               int ms) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(ms);
}

TEST(DayCount, KnownDatesBothWays) {
  struct TRow {
    system_clock::time_point Time;
    double Days;
    const char* Text;  // as stored, in no time zone
  };
  const TRow rows[] = {
      {Local(1899, 12, 30, 0, 0, 0, 0), 0.0, "1899-12-30 00:00:00.000"},
      {Local(1900, 1, 1, 18, 0, 0, 0), 2.75, "1900-01-01 18:00:00.000"},
      {Local(2024, 2, 29, 12, 0, 0, 250), 45351.5 + 250.0 / 86'400'000, "2024-02-29 12:00:00.250"},
      {Local(2031, 7, 4, 23, 59, 59, 999), 48033 + 86'399'999.0 / 86'400'000,
       "2031-07-04 23:59:59.999"},
      // Before the base day the time of day still counts up, away from zero.
      {Local(1899, 12, 29, 6, 0, 0, 0), -1.25, "1899-12-29 06:00:00.000"},
  };
  for (const TRow& row : rows) {
    EXPECT_NEAR(TimeToDayCount(row.Time), row.Days, 1e-10) << row.Days;
    EXPECT_EQ(DayCountToTime(row.Days), row.Time) << row.Days;
    EXPECT_EQ(DayCountText(row.Days), row.Text);
  }
  // Below the millisecond, a stored value rounds; a stored time is cut.
  EXPECT_EQ(DayCountToTime(0.9999999999), Local(1899, 12, 31, 0, 0, 0, 0));
  EXPECT_EQ(TimeToDayCount(Local(2024, 2, 29, 12, 0, 0, 0) + std::chrono::microseconds(999)),
            45351.5);
}

TEST(DayCount, ValuesFromADamagedFileStayWithinTheClock) {
  const double lowest = -std::numeric_limits<double>::max();
  for (double days : {std::nan(""), std::numeric_limits<double>::infinity(), lowest, 1e300}) {
    const double back = TimeToDayCount(DayCountToTime(days));
    EXPECT_TRUE(back >= -73'001 && back <= 109'001) << days;
  }
  EXPECT_EQ(DayCountToTime(std::nan("")), DayCountToTime(0));
  EXPECT_EQ(DayCountText(std::nan("")), "1899-12-30 00:00:00.000");
  EXPECT_EQ(DayCountText(1e300), "2198-06-05 00:00:00.000");
}

}  // namespace
}  // namespace vexilon
