// Feeds arbitrary bytes to the video stream parser in chunks of random size. The first byte
// picks the format (bits 1-2), a proxy tunnel (bit 3), small limits (bit 4) and a paused
// close (bit 5); the chunk sizes follow from the input itself, so every run reproduces.
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "core/net/VideoStreamParser.h"

namespace {

class TCheckingSink : public vexilon::TStreamSink {
 public:
  void Frame(std::string bytes) override {
    if (bytes.size() < vexilon::TVideoStreamParser::kMinFrame) std::abort();
  }
  void SetPageText(const std::string&) override {}
  void AddPageLine(const std::string&) override {}
  void ShowPageText(const std::string&) override {}
  void WaveFormat(const vexilon::TWaveFormat&) override { Formats++; }
  void PlayAudio(const uint8_t*, size_t size) override {
    if (Formats == 0 || size <= 2048) std::abort();
  }
  int Formats = 0;
};

uint32_t Salt(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  vexilon::TStreamLimits limits;
  if (mode & 16) limits = {4096, 256};
  TCheckingSink sink;
  vexilon::TVideoStreamParser parser(sink, mode & 6, limits);
  parser.Connected();
  if (mode & 8) parser.AwaitTunnel();
  std::minstd_rand random(Salt(data, size));
  for (size_t at = 0; at < size;) {
    const size_t n =
        std::min<size_t>(size - at, random() % 4 == 0 ? random() % 8192 + 1 : random() % 16 + 1);
    parser.Feed(reinterpret_cast<const char*>(data + at), n);
    if (parser.Held() > limits.MaxBuffer + 8192) std::abort();
    at += n;
  }
  parser.Disconnected(mode & 32);
  if (parser.Held() != 0) std::abort();
  return 0;
}
