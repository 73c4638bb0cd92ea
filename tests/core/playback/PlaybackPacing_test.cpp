#include "core/playback/PlaybackPacing.h"

#include <gtest/gtest.h>

namespace vexilon {
namespace {

constexpr int kQuarter = 0, kHalf = 1, kReal = 2, k50ms = 3, k10s = 9;

TEST(PlaybackPacing, AdvancesWhenTheRecordedOrFixedIntervalHasPassed) {
  struct TRow {
    int Speed;
    std::int64_t Elapsed;
    std::optional<std::int64_t> Gap;
    bool Break;
    bool Advance;
  } rows[] = {
      // Real time waits out the recorded gap, R/2 and R/4 a half and a quarter of it.
      {kReal, 999, 1000, false, false},
      {kReal, 1000, 1000, false, true},
      {kHalf, 499, 1000, false, false},
      {kHalf, 500, 1000, false, true},
      {kQuarter, 249, 1000, false, false},
      {kQuarter, 250, 1000, false, true},
      // Gaps longer than 2 seconds play as 2 seconds.
      {kReal, 1999, 60000, false, false},
      {kReal, 2000, 60000, false, true},
      {kQuarter, 500, 3600000, false, true},
      // A break is not waited out beyond 50 ms, at the real-time speeds.
      {kReal, 49, 1000, true, false},
      {kReal, 50, 1000, true, true},
      {kQuarter, 50, 60000, true, true},
      // Time stamps that run backwards, or no next frame yet: no wait beyond the minimum.
      {kReal, 1, -5000, false, true},
      {kReal, 1, std::nullopt, false, true},
      // Fixed intervals ignore the recorded gaps and breaks.
      {k50ms, 49, 0, true, false},
      {k50ms, 50, 60000, false, true},
      {k10s, 9999, 0, true, false},
      {k10s, 10000, 100000, false, true},
      // Out-of-range positions count as the nearest end.
      {-3, 249, 1000, false, false},
      {42, 9999, 0, false, false},
      {42, 10000, 0, false, true},
  };
  for (const TRow& row : rows) {
    EXPECT_EQ(ShouldAdvance({row.Speed, row.Elapsed, row.Gap, row.Break}), row.Advance)
        << "speed " << row.Speed << ", elapsed " << row.Elapsed << ", gap " << row.Gap.value_or(-1)
        << ", break " << row.Break;
  }
}

TEST(PlaybackPacing, EachPositionHoldsAFrameItsShortestTimeAndANewOneNotAtAll) {
  // The control's positions: R/4, R/2 and R, then 50 ms, 250 ms, 0.5 s, 1 s, 2.5 s, 5 s, 10 s.
  const std::int64_t shortest[kPlaybackSpeedCount] = {1,   1,    1,    50,   250,
                                                      500, 1000, 2500, 5000, 10000};
  for (int speed = 0; speed < kPlaybackSpeedCount; ++speed) {
    EXPECT_FALSE(ShouldAdvance({speed, shortest[speed] - 1, 0, false})) << speed;
    EXPECT_TRUE(ShouldAdvance({speed, shortest[speed], 0, false})) << speed;
    EXPECT_TRUE(ShouldAdvance({speed, std::nullopt, 2000, false})) << speed;
  }
}

}  // namespace
}  // namespace vexilon
