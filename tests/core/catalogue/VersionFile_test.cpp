#include "core/catalogue/VersionFile.h"

#include <gtest/gtest.h>

#include "core/catalogue/PublicationTime.h"

namespace vexilon {
namespace {

std::string Le32(std::uint32_t value) {
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
  return out;
}

// Magic, serial 9, 2024-03-05 (a Tuesday) 15:07:08.250 UTC, then the skip length.
std::string Header(std::uint32_t skip) {
  TPublishedHeader header;
  header.Serial = 9;
  header.Time = {2024, 3, 2, 5, 15, 7, 8, 250};
  std::string out = FormatPublishedHeader(header);
  return out.substr(0, 24) + Le32(skip);
}

TEST(VersionFile, EveryLengthIsChecked) {
  struct {
    const char* Name;
    std::string Bytes;
    bool Parsed;
    std::uint32_t Size;
  } cases[] = {
      {"empty", "", false, 0},
      {"header cut short", Header(0).substr(0, 27), false, 0},
      {"no size", Header(0), false, 0},
      {"size cut short", Header(0) + "\x01\x02\x03", false, 0},
      {"plain", Header(0) + Le32(123456), true, 123456},
      {"trailing bytes ignored", Header(0) + Le32(7) + "junk", true, 7},
      {"skipped block", Header(3) + "abc" + Le32(0x01020304), true, 0x01020304},
      {"skip one past the end", Header(4) + "abc" + Le32(1), false, 0},
      {"skip near 4 GiB cannot wrap", Header(0xFFFFFFFF) + Le32(1), false, 0},
      {"skip exactly to the end", Header(4) + "abcd", false, 0},
  };
  for (const auto& c : cases) {
    TVersionFile version;
    ASSERT_EQ(ParseVersionFile(c.Bytes, version), c.Parsed) << c.Name;
    if (!c.Parsed) continue;
    EXPECT_EQ(version.Size, c.Size) << c.Name;
    EXPECT_EQ(version.Serial, 9u) << c.Name;
    EXPECT_EQ(version.Time, (TSystemTime{2024, 3, 2, 5, 15, 7, 8, 250})) << c.Name;
  }
  // The magic is not examined: whatever tool published the file decides it.
  TVersionFile version;
  EXPECT_TRUE(ParseVersionFile("XXXX" + Header(0).substr(4) + Le32(5), version));
}

TEST(PublicationTime, ConvertsToLocalStandardTimeAndFormats) {
  struct {
    TSystemTime Utc;
    int Bias;  // minutes, west positive
    const char* Shown;
    std::uint16_t DayOfWeek;
  } cases[] = {
      {{2024, 3, 2, 5, 15, 7, 8, 250}, 0, "Mar 5, 2024 3:07 PM", 2},
      {{2024, 3, 2, 5, 15, 7, 8, 250}, 300, "Mar 5, 2024 10:07 AM", 2},
      {{2024, 1, 1, 1, 2, 30, 0, 0}, 300, "Dec 31, 2023 9:30 PM", 0},    // back over a year
      {{2024, 2, 3, 28, 23, 0, 0, 0}, -90, "Feb 29, 2024 12:30 AM", 4},  // into a leap day
      {{2023, 2, 2, 28, 23, 0, 0, 0}, -90, "Mar 1, 2023 12:30 AM", 3},
      {{2024, 7, 0, 14, 0, 5, 0, 0}, 0, "Jul 14, 2024 12:05 AM", 0},     // midnight is 12 AM
      {{2024, 7, 0, 14, 12, 0, 0, 0}, 0, "Jul 14, 2024 12:00 PM", 0},    // noon is 12 PM
      {{1969, 12, 0, 31, 23, 59, 0, 0}, -1, "Jan 1, 1970 12:00 AM", 4},  // across the epoch
      {{2004, 5, 1, 17, 8, 0, 0, 0}, 600, "May 16, 2004 10:00 PM", 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(IsValidSystemTime(c.Utc)) << c.Shown;
    TSystemTime local = UtcToLocalTime(c.Utc, c.Bias);
    EXPECT_EQ(FormatPublicationTime(local), c.Shown);
    EXPECT_EQ(local.DayOfWeek, c.DayOfWeek) << c.Shown;
    EXPECT_EQ(local.Second, c.Utc.Second) << c.Shown;
    EXPECT_EQ(local.Milliseconds, c.Utc.Milliseconds) << c.Shown;
  }
}

TEST(PublicationTime, RejectsTimesThatAreNoCalendarTime) {
  const TSystemTime good{2023, 2, 0, 28, 23, 59, 59, 999};
  EXPECT_TRUE(IsValidSystemTime(good));
  auto with = [&](auto change) {
    TSystemTime t = good;
    change(t);
    return IsValidSystemTime(t);
  };
  EXPECT_FALSE(with([](TSystemTime& t) { t.Day = 29; }));  // 2023 is no leap year
  EXPECT_TRUE(with([](TSystemTime& t) {
    t.Year = 2000;
    t.Day = 29;
  }));
  EXPECT_FALSE(with([](TSystemTime& t) {
    t.Year = 1900;
    t.Day = 29;
  }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Year = 0; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Year = 10000; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Month = 0; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Month = 13; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Day = 0; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Hour = 24; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Minute = 60; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Second = 60; }));
  EXPECT_FALSE(with([](TSystemTime& t) { t.Milliseconds = 1000; }));
}

}  // namespace
}  // namespace vexilon
