#pragma once
#include <chrono>
#include <string>

namespace vexilon {

// Time stamps stored in files are local date and time as a day count since 1899-12-30 00:00,
// the fraction being the time of day (one millisecond = 1/86,400,000). Days before the base
// count down while their time of day still counts up: -1.25 is 1899-12-29 06:00.

// Keeps whole milliseconds, the resolution of the stored value.
double TimeToDayCount(std::chrono::system_clock::time_point time);

// Rounds to the millisecond. Values read from a file may be anything: those that are not
// finite count as the base day, and the rest are held within 1700 to 2200, which the clock can
// represent.
std::chrono::system_clock::time_point DayCountToTime(double days);

// The stored value as it reads, "yyyy-mm-dd hh:nn:ss.zzz", held and rounded as above but not
// taken through any time zone.
std::string DayCountText(double days);

}  // namespace vexilon
