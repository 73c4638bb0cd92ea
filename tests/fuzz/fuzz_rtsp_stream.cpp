// An RTSP camera whose description and stream are the input: the text before the first zero
// byte is the session description DESCRIBE answers with, the rest is what follows PLAY on the
// connection. Whatever the bytes, opening, reading and decoding end in bounded time, and no
// picture or packet passes the limits.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "FuzzCheck.h"
#include "core/rtsp/RtspSource.h"

using namespace vexilon;

namespace {

// One listening socket on 127.0.0.1 for the whole run; its port.
int Listener(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(fd, 4) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    __builtin_trap();
  port = ntohs(address.sin_port);
  return fd;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  const size_t at = head.find("\n" + name + ":");
  if (at == std::string::npos) return {};
  size_t start = at + name.size() + 2;
  while (start < head.size() && head[start] == ' ') ++start;
  return head.substr(start, head.find('\r', start) - start);
}

void SendAll(int fd, const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += size_t(n);
  }
}

// Answers every request; after PLAY sends the stream and ends its side.
void Serve(int fd, const std::string& description, const std::string& stream, int port) {
  std::string received;
  char chunk[4096];
  for (;;) {
    size_t end;
    while ((end = received.find("\r\n\r\n")) == std::string::npos) {
      const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) return;
      received.append(chunk, size_t(n));
    }
    const std::string head = received.substr(0, end + 4);
    received.erase(0, end + 4);
    std::string answer =
        "RTSP/1.0 200 OK\r\nCSeq: " + HeaderValue(head, "CSeq") + "\r\nSession: 1\r\n";
    if (head.starts_with("DESCRIBE")) {
      answer += "Content-Base: rtsp://127.0.0.1:" + std::to_string(port) +
                "/live/\r\nContent-Type: application/sdp\r\nContent-Length: " +
                std::to_string(description.size()) + "\r\n\r\n" + description;
    } else if (head.starts_with("SETUP")) {
      answer += "Transport: " + HeaderValue(head, "Transport") + "\r\n\r\n";
    } else {
      answer += "\r\n";
    }
    SendAll(fd, answer);
    if (head.starts_with("PLAY")) {
      SendAll(fd, stream);
      shutdown(fd, SHUT_WR);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int port = 0;
  static const int listener = Listener(port);
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\0');
  const std::string description = input.substr(0, split);
  const std::string stream = split == std::string::npos ? "" : input.substr(split + 1);

  std::thread camera([&] {
    pollfd waiting{listener, POLLIN, 0};
    if (poll(&waiting, 1, 5000) <= 0) return;
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    Serve(fd, description, stream, port);
    close(fd);
  });
  {
    TRtspSource source({"rtsp://127.0.0.1:" + std::to_string(port) + "/live", true,
                        std::chrono::seconds(2), true});
    source.OnSound([](const TRtspSound& sound) {
      Check(sound.Channels >= 1 && sound.Rate > 0 &&
            sound.Samples.size() % std::size_t(sound.Channels) == 0);
    });
    try {
      source.Open();
      Check(source.Info().Width > 0 && source.Info().Width <= kMaxRtspSide);
      Check(source.Info().Height > 0 && source.Info().Height <= kMaxRtspSide);
      TRtspPicture picture;
      for (int i = 0; i < 100; ++i) {
        const auto packet = source.ReadPicture();
        if (!packet) break;
        Check(packet->Bytes <= kMaxRtspPacketBytes);
        // Every other picture scaled down, as a small window asks for it.
        if (!source.Decode(picture, i % 2 ? 64 : 0, i % 2 ? 48 : 0)) continue;
        Check(picture.Width > 0 && picture.Width <= kMaxRtspSide);
        Check(picture.Height > 0 && picture.Height <= kMaxRtspSide);
        Check(picture.Pixels.size() == size_t(picture.Width) * size_t(picture.Height) * 4);
      }
    } catch (const ERtspError&) {
    }
  }
  camera.join();
  return 0;
}
