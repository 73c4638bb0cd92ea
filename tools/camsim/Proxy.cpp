#include "Proxy.h"

#include "Peer.h"
#include "Replies.h"
#include "Request.h"

namespace vexilon::camsim {
namespace {

const char* const kOnlyLoopback = "camsim forwards only to 127.0.0.1";

// The connection to the next server, or an answer to the client saying why there is none.
int OpenUpstream(TPeer& client, const std::string& host, int port) {
  if (!IsLoopbackHost(host)) {
    SendStatus(client, 403, kOnlyLoopback);
    return -1;
  }
  if (port <= 0) {
    SendStatus(client, 400, "the target names no port");
    return -1;
  }
  const int fd = ConnectLoopback(port);
  if (fd < 0) SendStatus(client, 502, "nothing answers on 127.0.0.1:" + std::to_string(port));
  return fd;
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
  return host == "127.0.0.1" || host == "localhost";
}

void Tunnel(TPeer& client, const TRequest& request, const std::string& rest) {
  const int fd = OpenUpstream(client, request.Host, request.Port);
  if (fd < 0) return;
  TPeer upstream(fd, client.Stop());
  if (!client.Send("HTTP/1.0 200 Connection established\r\nProxy-Agent: camsim\r\n\r\n")) return;
  if (!upstream.Send(rest)) return;
  Relay(client, upstream);
}

void Forward(TPeer& client, const TRequest& request, const std::string& rest, int port) {
  const int fd = OpenUpstream(client, request.Host, port);
  if (fd < 0) return;
  TPeer upstream(fd, client.Stop());
  std::string head = request.Method + " " + request.OriginTarget() + " " + request.Version + "\r\n";
  for (const auto& [name, value] : request.Headers) head += name + ": " + value + "\r\n";
  if (!upstream.Send(head + "\r\n" + rest)) return;
  Relay(client, upstream);
}

}  // namespace vexilon::camsim
