#include "support/TestClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace vexilon {

TTestClient::TTestClient(int port) {
  FFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (FFd >= 0 && ::connect(FFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    Close();
  }
}

TTestClient::~TTestClient() {
  Close();
}

void TTestClient::Close() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}

void TTestClient::EndSending() {
  if (FFd >= 0) ::shutdown(FFd, SHUT_WR);
}

bool TTestClient::Send(std::string_view bytes) {
  while (FFd >= 0 && !bytes.empty()) {
    const ssize_t n = ::send(FFd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return FFd >= 0;
}

std::string TTestClient::Receive(std::chrono::milliseconds timeout) {
  if (FFd < 0 || FClosed) return {};
  pollfd p{FFd, POLLIN, 0};
  if (::poll(&p, 1, int(timeout.count())) <= 0) return {};
  char buffer[65536];
  const ssize_t n = ::recv(FFd, buffer, sizeof buffer, 0);
  if (n <= 0) {
    FClosed = true;
    return {};
  }
  return std::string(buffer, size_t(n));
}

std::string TTestClient::ReadAll(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string all;
  while (!FClosed) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    all += Receive(left);
  }
  return all;
}

std::string GetRequest(std::string_view target, std::string_view headers) {
  return "GET " + std::string(target) + " HTTP/1.0\r\n" + std::string(headers) + "\r\n";
}

TFeedOutcome FeedParser(TTestClient& client, TStreamParser& parser,
                        const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  TFeedOutcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!(outcome.Done = done())) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    const std::string bytes = client.Receive(std::min(left, std::chrono::milliseconds(50)));
    if (!bytes.empty()) {
      outcome.Bytes += bytes.size();
      outcome.Result = parser.Feed(bytes.data(), bytes.size());
      if (outcome.Result != TParseResult::Continue) break;
    } else if (client.Closed()) {
      outcome.Closed = true;
      parser.Disconnected(false);
      outcome.Done = done();
      break;
    }
  }
  return outcome;
}

}  // namespace vexilon
