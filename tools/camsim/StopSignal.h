#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

namespace vexilon::camsim {

// The server's stop, seen by every connection thread: sleeps end early, and sockets that a
// thread may be blocked on are shut down so that its send or receive returns at once.
class TStopSignal {
 public:
  using TClock = std::chrono::steady_clock;

  bool Stopped() const;
  void Stop();
  // False when the stop came first.
  bool SleepUntil(TClock::time_point when);
  bool SleepFor(TClock::duration span) { return SleepUntil(TClock::now() + span); }

  // A socket to shut down on stop; unregister before closing it.
  void Register(int fd);
  void Unregister(int fd);

 private:
  mutable std::mutex FMutex;
  std::condition_variable FWake;
  bool FStopped = false;
  std::set<int> FSockets;
};

}  // namespace vexilon::camsim
