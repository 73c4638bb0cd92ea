#include "StopSignal.h"

#include <sys/socket.h>

namespace vexilon::camsim {

bool TStopSignal::Stopped() const {
  std::lock_guard lock(FMutex);
  return FStopped;
}

void TStopSignal::Stop() {
  std::lock_guard lock(FMutex);
  FStopped = true;
  for (int fd : FSockets) ::shutdown(fd, SHUT_RDWR);
  FWake.notify_all();
}

bool TStopSignal::SleepUntil(TClock::time_point when) {
  std::unique_lock lock(FMutex);
  return !FWake.wait_until(lock, when, [this] { return FStopped; });
}

void TStopSignal::Register(int fd) {
  std::lock_guard lock(FMutex);
  FSockets.insert(fd);
  if (FStopped) ::shutdown(fd, SHUT_RDWR);
}

void TStopSignal::Unregister(int fd) {
  std::lock_guard lock(FMutex);
  FSockets.erase(fd);
}

}  // namespace vexilon::camsim
