#include "support/TestClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "core/imaging/Jpeg.h"
#include "core/net/VideoStreamParser.h"

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

std::string GetRequest(std::string_view target) {
  return "GET " + std::string(target) + " HTTP/1.0\r\n\r\n";
}

void FeedParser(TTestClient& client, TStreamParser& parser, const std::function<bool()>& done,
                std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    const std::string bytes = client.Receive(std::min(left, std::chrono::milliseconds(50)));
    if (!bytes.empty()) {
      if (parser.Feed(bytes.data(), bytes.size()) != TParseResult::Continue) return;
    } else if (client.Closed()) {
      parser.Disconnected(false);
      return;
    }
  }
}

TRecordingSink FetchVideo(int port, const std::string& request, int flags, std::size_t frames,
                          std::chrono::milliseconds timeout) {
  TRecordingSink sink;
  TTestClient client(port);
  if (!client.Send(request)) return sink;
  TVideoStreamParser parser(sink, flags);
  parser.Connected();
  FeedParser(
      client, parser, [&] { return sink.Frames.size() >= frames; }, timeout);
  return sink;
}
bool IsJpegOfSize(const std::string& bytes, int width, int height) {
  TBitmap picture;
  return DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), picture) &&
         picture.Width == width && picture.Height == height;
}

}  // namespace vexilon
