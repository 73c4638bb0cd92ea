#pragma once
#include <chrono>
#include <functional>
#include <optional>

namespace vexilon {

// How long a camera that keeps failing waits before it is asked again. After three failures in
// a row the wait starts at 1 s and doubles up to 30 s, give or take a fifth so that many cameras do
// not ask in step. A camera that has delivered pictures without a failure for 30 s starts again
// from nothing; one good picture before each failure is not enough.
class TReconnectBackoff {
 public:
  using TClock = std::chrono::steady_clock;
  // A number in [-1, 1] for the jitter; the default draws it at random.
  using TJitter = std::function<double()>;

  explicit TReconnectBackoff(TJitter jitter = RandomJitter);

  // A connection ended badly: it could not be made, the camera refused it, its stream broke,
  // or it stalled. Answers the wait to add before the next try.
  std::chrono::milliseconds Failure(TClock::time_point now);
  // A good picture arrived.
  void GoodFrame(TClock::time_point now);
  int FailuresInARow() const { return FFailures; }

  static double RandomJitter();

 private:
  TJitter FJitter;
  int FFailures = 0;
  std::optional<TClock::time_point> FHealthySince;
};

}  // namespace vexilon
