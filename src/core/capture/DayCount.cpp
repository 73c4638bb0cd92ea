#include "core/capture/DayCount.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace vexilon {
namespace {

using std::chrono::days;
using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::sys_days;
using std::chrono::system_clock;
using std::chrono::year_month_day;

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr sys_days kBaseDay{std::chrono::year{1899} / 12 / 30};
constexpr double kFirstDay = -73'000;  // early 1700
constexpr double kLastDay = 109'000;   // late 2198

}  // namespace

double TimeToDayCount(system_clock::time_point time) {
  const auto whole = std::chrono::floor<seconds>(time);
  const auto ms = std::chrono::floor<milliseconds>(time - whole).count();
  const std::time_t t = whole.time_since_epoch().count();
  std::tm local{};
  localtime_r(&t, &local);
  const sys_days date{std::chrono::year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday};
  const double day = double((date - kBaseDay).count());
  const double fraction =
      double(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + ms) /
      double(kMsPerDay);
  return day >= 0 ? day + fraction : day - fraction;
}

namespace {

// The calendar day and the milliseconds into it that a stored value stands for.
struct TDayCountParts {
  year_month_day Date;
  std::int64_t Ms = 0;
};

TDayCountParts SplitDayCount(double value) {
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, kFirstDay, kLastDay);
  const double whole = std::trunc(value);
  std::int64_t day = std::int64_t(whole);
  std::int64_t ms = std::llround(std::fabs(value - whole) * double(kMsPerDay));
  day += ms / kMsPerDay;  // a fraction rounded up to a whole day
  return {year_month_day{kBaseDay + days{day}}, ms % kMsPerDay};
}

}  // namespace

system_clock::time_point DayCountToTime(double value) {
  const TDayCountParts parts = SplitDayCount(value);
  std::tm local{};
  local.tm_year = int(parts.Date.year()) - 1900;
  local.tm_mon = int(unsigned(parts.Date.month())) - 1;
  local.tm_mday = int(unsigned(parts.Date.day()));
  const std::int64_t second = parts.Ms / 1000;
  local.tm_hour = int(second / 3600);
  local.tm_min = int(second / 60 % 60);
  local.tm_sec = int(second % 60);
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  return system_clock::time_point{seconds{t}} + milliseconds{parts.Ms % 1000};
}

std::string DayCountText(double days) {
  const TDayCountParts parts = SplitDayCount(days);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d.%03d", int(parts.Date.year()),
                unsigned(parts.Date.month()), unsigned(parts.Date.day()), int(parts.Ms / 3'600'000),
                int(parts.Ms / 60'000 % 60), int(parts.Ms / 1000 % 60), int(parts.Ms % 1000));
  return text;
}

}  // namespace vexilon
