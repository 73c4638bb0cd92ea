#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexilon {

class TLoopbackServer;

// One accepted connection of a TLoopbackServer, driven by the test's handler on a thread of
// its own.
class TServerConnection {
 public:
  TServerConnection(int handle, TLoopbackServer& server, const std::atomic<bool>& stopping);
  // The bytes through the first blank line (CR LF CR LF), or what came before the peer
  // closed or timeout passed.
  std::string ReadHead(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // A head read as a proxy reads it: after a CONNECT, the tunnel is granted and the head
  // that comes through it is read too, joined to the first by "|".
  std::string ReadProxiedHead();
  // Records text with the server (for a test to check what the server was asked).
  void Record(const std::string& text);
  // Sends all of bytes; false when the peer is gone.
  bool Send(const std::string& bytes);
  // Waits until the peer closes, the server stops or timeout passes; true when the peer
  // closed.
  bool WaitPeerClose(std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // Keeps the connection open without sending until the peer closes or the server stops.
  void Hold() { WaitPeerClose(std::chrono::hours(1)); }
  // Makes the end of the handler reset the connection instead of closing it in order.
  void ResetOnEnd();
  bool Resets() const { return FReset; }

 private:
  int FHandle;
  TLoopbackServer& FServer;
  bool FReset = false;
  const std::atomic<bool>& FStopping;
  std::string FPending;  // bytes read beyond a head
};

// A TCP server on 127.0.0.1 with a port chosen by the system, for socket and thread tests.
// Every connection runs handler on its own thread; what came before each head is recorded.
class TLoopbackServer {
 public:
  using THandler = std::function<void(TServerConnection&, int index)>;
  explicit TLoopbackServer(THandler handler);
  ~TLoopbackServer();

  int Port() const { return FPort; }
  std::string Address(const std::string& path = "/") const;
  int Connections() const { return FConnections; }
  // Waits until count connections were accepted; false at timeout.
  bool WaitConnections(int count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
  // What the handlers recorded, in order.
  void Record(const std::string& text);
  std::vector<std::string> Recorded() const;
  void Stop();

 private:
  void AcceptLoop();

  THandler FHandler;
  int FListen = -1;
  int FPort = 0;
  std::atomic<bool> FStopping{false};
  std::atomic<int> FConnections{0};
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<std::string> FRecorded;
  std::vector<int> FHandles;  // -1 once the connection's worker closed it
  std::list<std::thread> FWorkers;
  std::thread FAcceptor;
};

// A port on 127.0.0.1 that nobody listens on (the system's choice, given back at once).
int ClosedPort();

// A port on 127.0.0.1 whose listen queue is full, so that a connect to it hangs: the system
// drops the connection attempts until the caller gives up.
class TBlackholePort {
 public:
  TBlackholePort();
  ~TBlackholePort();
  int Port() const { return FPort; }

 private:
  int FListen = -1;
  int FPort = 0;
  std::vector<int> FFillers;
};

}  // namespace vexilon
