#include "support/LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

int ListenOn127(int backlog, int& port) {
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(handle, backlog) != 0) {
    close(handle);
    throw std::runtime_error("bind/listen");
  }
  socklen_t length = sizeof address;
  getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return handle;
}

// Waits for handle to become readable in slices, so that a stopping server is noticed.
bool WaitReadable(int handle, TClock::time_point deadline, const std::atomic<bool>& stopping) {
  while (!stopping && TClock::now() < deadline) {
    pollfd waiting{handle, POLLIN, 0};
    if (poll(&waiting, 1, 20) > 0) return true;
  }
  return false;
}

}  // namespace

TServerConnection::TServerConnection(int handle, TLoopbackServer& server,
                                     const std::atomic<bool>& stopping)
    : FHandle(handle), FServer(server), FStopping(stopping) {}

std::string TServerConnection::ReadProxiedHead() {
  std::string head = ReadHead();
  if (head.starts_with("CONNECT")) {
    Send("HTTP/1.0 200 Connection established\r\nProxy-Agent: test\r\n\r\n");
    head += "|" + ReadHead();
  }
  return head;
}

void TServerConnection::Record(const std::string& text) {
  FServer.Record(text);
}

std::string TServerConnection::ReadHead(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  std::string head = std::move(FPending);
  FPending.clear();
  for (;;) {
    const size_t end = head.find("\r\n\r\n");
    if (end != std::string::npos) {
      FPending = head.substr(end + 4);
      head.resize(end + 4);
      return head;
    }
    if (!WaitReadable(FHandle, deadline, FStopping)) return head;
    char block[4096];
    const ssize_t n = recv(FHandle, block, sizeof block, 0);
    if (n <= 0) return head;
    head.append(block, size_t(n));
  }
}

void TServerConnection::ResetOnEnd() {
  linger hard{1, 0};
  setsockopt(FHandle, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  FReset = true;
}

bool TServerConnection::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(FHandle, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += size_t(n);
  }
  return true;
}

bool TServerConnection::WaitPeerClose(std::chrono::milliseconds timeout) {
  const auto deadline = TClock::now() + timeout;
  for (;;) {
    if (!WaitReadable(FHandle, deadline, FStopping)) return false;
    char block[4096];
    const ssize_t n = recv(FHandle, block, sizeof block, 0);
    if (n <= 0) return true;
  }
}

TLoopbackServer::TLoopbackServer(THandler handler) : FHandler(std::move(handler)) {
  FListen = ListenOn127(16, FPort);
  FAcceptor = std::thread([this] { AcceptLoop(); });
}

TLoopbackServer::~TLoopbackServer() {
  Stop();
}

std::string TLoopbackServer::Address(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(FPort) + path;
}

void TLoopbackServer::AcceptLoop() {
  while (!FStopping) {
    pollfd waiting{FListen, POLLIN, 0};
    if (poll(&waiting, 1, 20) <= 0) continue;
    const int handle = accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
    if (handle < 0) continue;
    std::lock_guard lock(FLock);
    const int index = FConnections;
    FHandles.push_back(handle);
    FWorkers.emplace_back([this, handle, index] {
      TServerConnection connection(handle, *this, FStopping);
      try {
        FHandler(connection, index);
      } catch (...) {
      }
      if (!connection.Resets()) shutdown(handle, SHUT_WR);
      std::lock_guard lock(FLock);
      close(handle);
      FHandles[size_t(index)] = -1;
    });
    ++FConnections;
    FChanged.notify_all();
  }
}

bool TLoopbackServer::WaitConnections(int count, std::chrono::milliseconds timeout) {
  std::unique_lock lock(FLock);
  return FChanged.wait_for(lock, timeout, [&] { return FConnections >= count; });
}

void TLoopbackServer::Record(const std::string& text) {
  std::lock_guard lock(FLock);
  FRecorded.push_back(text);
  FChanged.notify_all();
}

std::vector<std::string> TLoopbackServer::Recorded() const {
  std::lock_guard lock(FLock);
  return FRecorded;
}

void TLoopbackServer::Stop() {
  if (FStopping.exchange(true)) return;
  if (FAcceptor.joinable()) FAcceptor.join();
  {
    std::lock_guard lock(FLock);
    for (int handle : FHandles)
      if (handle >= 0) shutdown(handle, SHUT_RDWR);
  }
  for (std::thread& worker : FWorkers) worker.join();
  close(FListen);
}

int ClosedPort() {
  int port = 0;
  close(ListenOn127(1, port));
  return port;
}

TBlackholePort::TBlackholePort() {
  FListen = ListenOn127(0, FPort);
  // The queue of a listener with backlog 0 holds one connection; fill it (and a spare), then
  // further attempts hang in SYN-SENT.
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(uint16_t(FPort));
  for (int i = 0; i < 2; ++i) {
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    FFillers.push_back(handle);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

TBlackholePort::~TBlackholePort() {
  for (int handle : FFillers) close(handle);
  close(FListen);
}

}  // namespace vexilon
