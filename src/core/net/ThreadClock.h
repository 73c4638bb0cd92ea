#pragma once
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace vexilon {

// A connection thread's sense of time: its reconnect schedule, stall limit and CPU throttle are
// all measured on it. Tests hand in a clock they move by hand, so that a schedule of seconds is
// checked exactly and without waiting for it.
class TThreadClock {
 public:
  using TTime = std::chrono::steady_clock::time_point;
  virtual ~TThreadClock() = default;
  virtual TTime Now() const = 0;
  // The real time to wait for something span of this clock's time away. A clock moved by hand
  // answers a short slice, so that the waiter soon looks at it again.
  virtual std::chrono::microseconds RealWait(std::chrono::microseconds span) const = 0;
};

// The machine's steady clock.
std::shared_ptr<const TThreadClock> SteadyThreadClock();

// Waits on wake until due on clock, or until stop() holds (checked whenever wake is notified);
// lock is held on entry and on return. Answers whether stop() ended the wait.
template <class TStop>
bool WaitOnClock(const TThreadClock& clock, std::unique_lock<std::mutex>& lock,
                 std::condition_variable& wake, TThreadClock::TTime due, TStop stop) {
  for (auto left = due - clock.Now(); left > left.zero(); left = due - clock.Now()) {
    const auto slice = clock.RealWait(std::chrono::ceil<std::chrono::microseconds>(left));
    if (wake.wait_for(lock, slice, stop)) return true;
  }
  return stop();
}

}  // namespace vexilon
