// Feeds arbitrary bytes to the audio stream parser in chunks of random size. The first byte
// picks small limits (bit 0) and a paused close (bit 1); chunk sizes follow from the input.
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "core/net/AudioStreamParser.h"

namespace {

class TCheckingSink : public vexilon::TStreamSink {
 public:
  void Frame(std::string) override { std::abort(); }  // a sound stream has no pictures
  void SetPageText(const std::string&) override {}
  void AddPageLine(const std::string&) override {}
  void ShowPageText(const std::string&) override {}
  void WaveFormat(const vexilon::TWaveFormat&) override { Formats++; }
  void PlayAudio(const uint8_t*, size_t size) override {
    if (Formats == 0 || size <= 2048) std::abort();
  }
  int Formats = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  ++data;
  --size;
  vexilon::TStreamLimits limits;
  if (mode & 1) limits = {4096, 256};
  TCheckingSink sink;
  vexilon::TAudioStreamParser parser(sink, limits);
  parser.Connected();
  uint32_t salt = 1;
  for (size_t i = 0; i < size; ++i) salt = salt * 31 + data[i];
  std::minstd_rand random(salt);
  for (size_t at = 0; at < size;) {
    const size_t n =
        std::min<size_t>(size - at, random() % 4 == 0 ? random() % 8192 + 1 : random() % 16 + 1);
    parser.Feed(reinterpret_cast<const char*>(data + at), n);
    if (parser.Held() > limits.MaxBuffer + 8192) std::abort();
    at += n;
  }
  parser.Disconnected(mode & 2);
  return 0;
}
