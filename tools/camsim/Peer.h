#pragma once
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "StopSignal.h"

namespace vexilon::camsim {

// One TCP connection as a serving thread uses it. Every wait also ends on the server's stop,
// a send never raises SIGPIPE, and a peer that stops reading for kSendTimeout is given up.
class TPeer {
 public:
  TPeer(int fd, TStopSignal& stop);
  ~TPeer();
  TPeer(const TPeer&) = delete;
  TPeer& operator=(const TPeer&) = delete;

  static constexpr std::chrono::seconds kSendTimeout{10};

  // Sends all bytes; false when the peer is gone (it then stays gone) or the server stops.
  bool Send(std::string_view bytes);
  // Waits up to timeout for bytes and appends what is there (at most max); answers the count,
  // 0 on time-out, -1 when the peer closed or the server stops.
  long Receive(std::string& into, std::size_t max, std::chrono::milliseconds timeout);
  // Keeps the connection open without sending, reading and dropping what comes, until the
  // peer closes or the server stops.
  void Linger();

  bool Gone() const { return FGone; }
  int Fd() const { return FFd; }
  TStopSignal& Stop() { return FStop; }

 private:
  int FFd;
  TStopSignal& FStop;
  bool FGone = false;
};

// Connects to 127.0.0.1:port; -1 when that fails.
int ConnectLoopback(int port);

// Passes bytes both ways between two peers until either side closes or the server stops.
void Relay(TPeer& a, TPeer& b);

}  // namespace vexilon::camsim
