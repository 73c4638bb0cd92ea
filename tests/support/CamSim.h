#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vexilon {

// The camsim binary run for a test on a port of the system's choosing, read from the line
// it prints once it listens. The destructor stops it (SIGTERM, then SIGKILL).
class TCamSim {
 public:
  explicit TCamSim(std::vector<std::string> args = {});
  ~TCamSim();
  TCamSim(const TCamSim&) = delete;
  TCamSim& operator=(const TCamSim&) = delete;

  bool Started() const { return FPort > 0; }
  // Why it did not start.
  const std::string& Error() const { return FError; }
  int Port() const { return FPort; }

  // Sends SIGTERM and waits; the exit status, or -1 when it had not ended by the timeout.
  int Stop(std::chrono::milliseconds timeout);

 private:
  pid_t FPid = -1;
  int FOut = -1;
  int FPort = 0;
  std::string FError;
};

}  // namespace vexilon
