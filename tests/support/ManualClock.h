#pragma once
#include <algorithm>
#include <atomic>
#include <chrono>

#include "core/net/ThreadClock.h"

namespace vexilon {

// A thread clock that stands still until the test moves it. Waiters look at it every
// millisecond, so a move takes effect at once.
class TManualClock : public TThreadClock {
 public:
  TTime Now() const override { return TTime(std::chrono::nanoseconds(FNanos.load())); }
  std::chrono::microseconds RealWait(std::chrono::microseconds span) const override {
    return std::clamp(span, std::chrono::microseconds(0), std::chrono::microseconds(1000));
  }
  void Advance(std::chrono::nanoseconds step) { FNanos += step.count(); }

 private:
  // Far from zero, so that a time before the start is still a valid time.
  std::atomic<int64_t> FNanos{int64_t(1) << 40};
};

}  // namespace vexilon
