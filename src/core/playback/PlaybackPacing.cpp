#include "core/playback/PlaybackPacing.h"

#include <algorithm>

namespace vexilon {
namespace {

int ClampSpeed(int speed) {
  return std::clamp(speed, 0, kPlaybackSpeedCount - 1);
}

}  // namespace

std::int64_t MinimumFrameMs(int speed) {
  static constexpr std::int64_t kIntervals[kPlaybackSpeedCount] = {1,   1,    1,    50,   250,
                                                                   500, 1000, 2500, 5000, 10000};
  return kIntervals[ClampSpeed(speed)];
}

int RealTimeDivisor(int speed) {
  static constexpr int kDivisors[kPlaybackSpeedCount] = {4, 2, 1};
  return kDivisors[ClampSpeed(speed)];
}

bool ShouldAdvance(const TPaceInput& pace) {
  if (!pace.ElapsedMs) return true;
  const std::int64_t elapsed = *pace.ElapsedMs;
  if (elapsed < MinimumFrameMs(pace.Speed)) return false;
  const int divisor = RealTimeDivisor(pace.Speed);
  if (divisor == 0 || !pace.GapMs) return true;
  // Time stamps from a file may run backwards; such a gap is no wait at all.
  const std::int64_t wait = std::clamp<std::int64_t>(*pace.GapMs, 0, kMaxRealTimeGapMs) / divisor;
  if (elapsed >= wait) return true;
  return pace.NextBreak && elapsed >= kBreakWaitMs;
}

}  // namespace vexilon
