#include "Peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vexilon::camsim {

TPeer::TPeer(int fd, TStopSignal& stop) : FFd(fd), FStop(stop) {
  timeval timeout{kSendTimeout.count(), 0};
  ::setsockopt(FFd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  const int one = 1;
  ::setsockopt(FFd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  FStop.Register(FFd);
}

TPeer::~TPeer() {
  FStop.Unregister(FFd);
  ::close(FFd);
}

bool TPeer::Send(std::string_view bytes) {
  while (!FGone && !bytes.empty()) {
    const ssize_t sent = ::send(FFd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) {
      FGone = true;
      break;
    }
    bytes.remove_prefix(size_t(sent));
  }
  return !FGone && !FStop.Stopped();
}

long TPeer::Receive(std::string& into, std::size_t max, std::chrono::milliseconds timeout) {
  if (FGone || FStop.Stopped()) return -1;
  pollfd p{FFd, POLLIN, 0};
  const int ready = ::poll(&p, 1, int(timeout.count()));
  if (ready < 0) return errno == EINTR ? 0 : -1;
  if (ready == 0) return FStop.Stopped() ? -1 : 0;
  char buffer[16384];
  const ssize_t n = ::recv(FFd, buffer, std::min(sizeof buffer, max), 0);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return 0;
  if (n <= 0) {
    FGone = true;
    return -1;
  }
  into.append(buffer, size_t(n));
  return n;
}

void TPeer::Linger() {
  std::string dropped;
  while (Receive(dropped, 16384, std::chrono::milliseconds(200)) >= 0) dropped.clear();
}

int ConnectLoopback(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void Relay(TPeer& a, TPeer& b) {
  std::string bytes;
  while (!a.Gone() && !b.Gone() && !a.Stop().Stopped()) {
    pollfd p[2] = {{a.Fd(), POLLIN, 0}, {b.Fd(), POLLIN, 0}};
    const int ready = ::poll(p, 2, 200);
    if (ready < 0 && errno != EINTR) return;
    for (int i = 0; i < 2; ++i) {
      if ((p[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      TPeer& from = i == 0 ? a : b;
      TPeer& to = i == 0 ? b : a;
      bytes.clear();
      if (from.Receive(bytes, 65536, std::chrono::milliseconds(0)) < 0) return;
      if (!to.Send(bytes)) return;
    }
  }
}

}  // namespace vexilon::camsim
