#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "StopSignal.h"

namespace vexilon::camsim {

class TPeer;

// The listening socket on 127.0.0.1 and one thread per connection, at most maxConnections
// at once; the rest are answered 503 and closed.
class TServer {
 public:
  using THandler = std::function<void(TPeer&)>;

  TServer(TStopSignal& stop, int maxConnections);
  ~TServer();
  TServer(const TServer&) = delete;
  TServer& operator=(const TServer&) = delete;

  // False with the reason when 127.0.0.1:port cannot be had.
  bool Listen(int port, std::string& error);
  int Port() const { return FPort; }
  // Accepts connections until the stop. handler must outlive WaitIdle.
  void Run(const THandler& handler);
  // After the stop: waits for the connection threads to end; false when some did not.
  bool WaitIdle(std::chrono::milliseconds timeout);

 private:
  void Refuse(int fd);
  void Start(int fd, const THandler& handler);

  TStopSignal& FStop;
  const int FMaxConnections;
  int FListen = -1;
  int FPort = 0;
  std::mutex FMutex;
  std::condition_variable FIdle;
  int FActive = 0;
};

}  // namespace vexilon::camsim
