// Throughput of the video stream parser on a large multipart stream held in memory, beside
// plain memcpy of the same number of bytes measured in the same run.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXILON_BENCH=ON
//   cmake --build build/bench && build/bench/bench/stream_parser_bench
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/imaging/Jpeg.h"
#include "core/net/VideoStreamParser.h"

namespace {

constexpr size_t kStreamBytes = size_t(128) << 20;
constexpr size_t kFrameBytes = 48 * 1024;  // a 640x480 JPEG of middling quality
const std::string kBoundary = "vexilonbenchboundary";

class TCountingSink : public vexilon::TStreamSink {
 public:
  void Frame(std::string bytes) override {
    ++Frames;
    Bytes += bytes.size();
  }
  void SetPageText(const std::string&) override {}
  void AddPageLine(const std::string&) override {}
  void ShowPageText(const std::string&) override {}
  void WaveFormat(const vexilon::TWaveFormat&) override {}
  void PlayAudio(const uint8_t*, size_t) override {}
  size_t Frames = 0;
  size_t Bytes = 0;
};

// A real 640x480 JPEG (so that a demuxer that probes the picture finds its size) followed by
// random bytes up to the frame size: entropy-coded data looks random, every byte value occurs.
std::string RandomFrame(std::mt19937_64& random) {
  vexilon::TBitmap picture;
  picture.Width = 640;
  picture.Height = 480;
  picture.Pixels.assign(size_t(640) * 480 * 3, 0x80);
  std::string frame = vexilon::EncodeJpeg(picture, 75);
  const size_t start = frame.size();
  frame.resize(kFrameBytes);
  for (size_t i = start; i < frame.size(); i += 8) {
    const uint64_t v = random();
    std::memcpy(frame.data() + i, &v, std::min<size_t>(8, frame.size() - i));
  }
  return frame;
}

std::string MakeStream(bool withLength) {
  std::mt19937_64 random(42);
  std::vector<std::string> frames;
  for (int i = 0; i < 16; ++i) frames.push_back(RandomFrame(random));
  std::string s =
      "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=" + kBoundary +
      "\r\n\r\n";
  s.reserve(kStreamBytes + kFrameBytes * 2);
  for (size_t i = 0; s.size() < kStreamBytes; ++i) {
    s += "--" + kBoundary + "\r\nContent-Type: image/jpeg\r\n";
    if (withLength) s += "Content-Length: " + std::to_string(kFrameBytes) + "\r\n";
    s += "\r\n" + frames[i % frames.size()] + "\r\n";
  }
  return s + "--" + kBoundary + "\r\n";
}

const std::string& Stream(bool withLength) {
  static const std::string withLengths = MakeStream(true);
  static const std::string boundaryOnly = MakeStream(false);
  return withLength ? withLengths : boundaryOnly;
}

// With VEXILON_BENCH_DUMP=DIR the bodies of both streams (without the response head) are also
// written to DIR, once and eight times over, so that another demuxer can be timed on the same
// bytes with its start-up cancelled out (bench/parser_vs_ffmpeg.sh).
const bool kDumped = [] {
  const char* folder = std::getenv("VEXILON_BENCH_DUMP");
  if (folder == nullptr) return false;
  for (bool withLength : {true, false}) {
    const std::string& stream = Stream(withLength);
    const std::string closing = "--" + kBoundary + "\r\n";
    const size_t body = stream.find("\r\n\r\n") + 4;
    const size_t parts = stream.size() - closing.size() - body;
    const std::string name = std::string(folder) + (withLength ? "/with-length" : "/boundary-only");
    for (int copies : {1, 8}) {
      std::ofstream out(name + (copies == 1 ? ".mjpeg" : "-x8.mjpeg"), std::ios::binary);
      for (int i = 0; i < copies; ++i) out.write(stream.data() + body, std::streamsize(parts));
      out << closing;
    }
  }
  return true;
}();

void BM_Memcpy(benchmark::State& state) {
  const std::string& source = Stream(true);
  std::string target(source.size(), '\0');
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}

// The same bytes copied frame by frame into one reused block: what the parser's own copy
// costs when the frame's block stays in cache, as a freed and reallocated frame block does.
void BM_MemcpyPerFrame(benchmark::State& state) {
  const std::string& source = Stream(true);
  std::string target(kFrameBytes, '\0');
  for (auto _ : state) {
    for (size_t at = 0; at < source.size(); at += kFrameBytes) {
      std::memcpy(target.data(), source.data() + at, std::min(kFrameBytes, source.size() - at));
      benchmark::ClobberMemory();
    }
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}

void Parse(benchmark::State& state, bool withLength) {
  const std::string& stream = Stream(withLength);
  const size_t chunk = size_t(state.range(0));
  size_t frames = 0;
  for (auto _ : state) {
    TCountingSink sink;
    vexilon::TVideoStreamParser parser(sink, 0);
    parser.Connected();
    for (size_t at = 0; at < stream.size(); at += chunk) {
      parser.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
    }
    frames = sink.Frames;
    benchmark::DoNotOptimize(sink.Bytes);
  }
  state.counters["frames"] = double(frames);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}

void BM_ParseContentLength(benchmark::State& state) {
  Parse(state, true);
}
void BM_ParseBoundaryOnly(benchmark::State& state) {
  Parse(state, false);
}

}  // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_MemcpyPerFrame)->Unit(benchmark::kMillisecond)->MinTime(2);
// 4096 is what a connection thread receives at a time.
BENCHMARK(BM_ParseContentLength)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ParseBoundaryOnly)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond)->MinTime(2);
