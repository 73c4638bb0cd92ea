#include "core/capture/DayCount.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

system_clock::time_point DayCountToTime(double value) {
  if (!std::isfinite(value)) value = 0;
  value = std::clamp(value, kFirstDay, kLastDay);
  const double whole = std::trunc(value);
  std::int64_t day = std::int64_t(whole);
  std::int64_t ms = std::llround(std::fabs(value - whole) * double(kMsPerDay));
  day += ms / kMsPerDay;  // a fraction rounded up to a whole day
  ms %= kMsPerDay;

  const year_month_day date{kBaseDay + days{day}};
  std::tm local{};
  local.tm_year = int(date.year()) - 1900;
  local.tm_mon = int(unsigned(date.month())) - 1;
  local.tm_mday = int(unsigned(date.day()));
  const std::int64_t second = ms / 1000;
  local.tm_hour = int(second / 3600);
  local.tm_min = int(second / 60 % 60);
  local.tm_sec = int(second % 60);
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  return system_clock::time_point{seconds{t}} + milliseconds{ms % 1000};
}

}  // namespace vexilon
