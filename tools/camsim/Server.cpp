#include "Server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <thread>

#include "Peer.h"

namespace vexilon::camsim {

TServer::TServer(TStopSignal& stop, int maxConnections)
    : FStop(stop), FMaxConnections(maxConnections) {}

TServer::~TServer() {
  if (FListen >= 0) ::close(FListen);
}

bool TServer::Listen(int port, std::string& error) {
  FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListen < 0) {
    error = std::strerror(errno);
    return false;
  }
  const int one = 1;
  ::setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(FListen, 128) != 0 ||
      ::getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = "127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
    return false;
  }
  FPort = ntohs(address.sin_port);
  return true;
}

void TServer::Run(const THandler& handler) {
  while (!FStop.Stopped()) {
    pollfd p{FListen, POLLIN, 0};
    // A short wait, so that the stop is seen without a wake-up channel of its own.
    if (::poll(&p, 1, 200) <= 0) continue;
    const int fd = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      // Out of descriptors or a connection reset before it was taken: wait, go on.
      if (errno == EMFILE || errno == ENFILE) FStop.SleepFor(std::chrono::milliseconds(100));
      continue;
    }
    Start(fd, handler);
  }
}

void TServer::Refuse(int fd) {
  static const char kBusy[] =
      "HTTP/1.0 503 Service Unavailable\r\nServer: camsim\r\nContent-Length: 0\r\n\r\n";
  ::send(fd, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  ::close(fd);
}

void TServer::Start(int fd, const THandler& handler) {
  {
    std::lock_guard lock(FMutex);
    if (FActive >= FMaxConnections) return Refuse(fd);
    ++FActive;
  }
  auto serve = [this, fd, &handler] {
    try {
      TPeer peer(fd, FStop);
      handler(peer);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "camsim: connection ended by an error: %s\n", e.what());
    }
    std::lock_guard lock(FMutex);
    --FActive;
    FIdle.notify_all();
  };
  try {
    std::thread(serve).detach();
  } catch (const std::system_error&) {
    {
      std::lock_guard lock(FMutex);
      --FActive;
    }
    Refuse(fd);
  }
}

bool TServer::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(FMutex);
  return FIdle.wait_for(lock, timeout, [this] { return FActive == 0; });
}

}  // namespace vexilon::camsim
