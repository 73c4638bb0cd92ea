#include "core/catalogue/PublicationTime.h"

#include <ctime>

namespace vexilon {

namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (negative before it).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

void CivilFromDays(long long days, long long& year, unsigned& month, unsigned& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

long long FloorDiv(long long a, long long b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

}  // namespace

bool IsValidSystemTime(const TSystemTime& time) {
  return time.Year >= 1 && time.Year <= 9999 && time.Month >= 1 && time.Month <= 12 &&
         time.Day >= 1 && time.Day <= DaysInMonth(time.Year, time.Month) && time.Hour < 24 &&
         time.Minute < 60 && time.Second < 60 && time.Milliseconds < 1000;
}

int StandardTimeBias() {
  ::tzset();
  return static_cast<int>(::timezone / 60);
}

TSystemTime UtcToLocalTime(const TSystemTime& utc, int biasMinutes) {
  const long long minutes =
      DaysFromCivil(utc.Year, utc.Month, utc.Day) * 1440 + utc.Hour * 60 + utc.Minute - biasMinutes;
  const long long days = FloorDiv(minutes, 1440);
  const long long minuteOfDay = minutes - days * 1440;
  long long year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(days, year, month, day);
  TSystemTime local = utc;
  // A time-zone bias moves a valid time by less than a day, which keeps the year in range.
  local.Year = static_cast<std::uint16_t>(year);
  local.Month = static_cast<std::uint16_t>(month);
  local.Day = static_cast<std::uint16_t>(day);
  local.Hour = static_cast<std::uint16_t>(minuteOfDay / 60);
  local.Minute = static_cast<std::uint16_t>(minuteOfDay % 60);
  // 1970-01-01 was a Thursday.
  local.DayOfWeek = static_cast<std::uint16_t>(((days % 7 + 7) % 7 + 4) % 7);
  return local;
}

std::string FormatPublicationTime(const TSystemTime& time) {
  const int hour12 = time.Hour % 12 == 0 ? 12 : time.Hour % 12;
  const std::string minute = (time.Minute < 10 ? "0" : "") + std::to_string(time.Minute);
  return std::string(kMonths[time.Month - 1]) + " " + std::to_string(time.Day) + ", " +
         std::to_string(time.Year) + " " + std::to_string(hour12) + ":" + minute +
         (time.Hour < 12 ? " AM" : " PM");
}

}  // namespace vexilon
