#pragma once
#include <cstdint>
#include <optional>

namespace vexilon {

// The player's speed control has ten positions: the recorded gaps played at a quarter, half or
// full real time, then fixed intervals per frame.
inline constexpr int kPlaybackSpeedCount = 10;
inline constexpr int kDefaultPlaybackSpeed = 4;
// Longer recorded gaps (a camera that stalled, a recording paused overnight) are shortened to
// this before the real-time speeds divide them.
inline constexpr std::int64_t kMaxRealTimeGapMs = 2000;
// A gap before an image that follows a break is not waited out beyond this.
inline constexpr std::int64_t kBreakWaitMs = 50;

// The shortest time a frame stays on display at speed; speeds out of range count as the
// nearest one.
std::int64_t MinimumFrameMs(int speed);
// 4, 2 or 1 for the real-time speeds; 0 for the fixed intervals.
int RealTimeDivisor(int speed);

struct TPaceInput {
  int Speed = kDefaultPlaybackSpeed;
  // Time since the shown frame went up; none when the next frame is to be shown at once.
  std::optional<std::int64_t> ElapsedMs;
  // Recorded time from the shown frame to the next one; none when there is no next frame yet.
  std::optional<std::int64_t> GapMs;
  // The next frame's first image follows a break in the recording.
  bool NextBreak = false;
};

// Whether a playing player moves on to the next frame now.
bool ShouldAdvance(const TPaceInput& pace);

}  // namespace vexilon
