#pragma once
#include <string>

#include "core/catalogue/PublishedFile.h"

namespace vexilon {

// A real calendar date and time of day (years 1 to 9999). Version files come from the web, so
// their times are checked before anything is computed from them.
bool IsValidSystemTime(const TSystemTime& time);

// The minutes to add to local standard time to get UTC (west of Greenwich positive), as the
// C library reports the local time zone. Daylight saving is left out on purpose: a publication
// time is shown the same way whatever the season.
int StandardTimeBias();

// utc moved by bias minutes to local time; the day of the week follows the new date. utc must
// be valid.
TSystemTime UtcToLocalTime(const TSystemTime& utc, int biasMinutes);

// "Mar 5, 2024 3:07 PM": month abbreviation, day and hour without leading zeros, a 12-hour
// clock. time must be valid.
std::string FormatPublicationTime(const TSystemTime& time);

}  // namespace vexilon
