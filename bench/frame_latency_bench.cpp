// Frame latency on loopback: from the moment a server starts sending a picture to the moment
// a real video thread hands it to its sink, at 100 pictures a second of 48 KiB each, with
// the default CPUUSAGE throttle. Reports the median and 99th percentile in microseconds.
//
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXILON_BENCH=ON
//   cmake --build build/bench && build/bench/bench/frame_latency_bench
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "core/net/VideoThread.h"

namespace {

using TClock = std::chrono::steady_clock;
constexpr size_t kFrameBytes = 48 * 1024;
constexpr int kFrames = 1000;
constexpr auto kPeriod = std::chrono::milliseconds(10);

// Each frame carries its send time in its first eight bytes.
class TLatencySink : public vexilon::TStreamSink {
 public:
  void Frame(std::string bytes) override {
    const auto now = TClock::now().time_since_epoch().count();
    int64_t sent = 0;
    std::memcpy(&sent, bytes.data(), sizeof sent);
    std::lock_guard lock(Lock);
    Micros.push_back(double(now - sent) / 1000.0);
    Changed.notify_all();
  }
  void SetPageText(const std::string&) override {}
  void AddPageLine(const std::string&) override {}
  void ShowPageText(const std::string&) override {}
  void WaveFormat(const vexilon::TWaveFormat&) override {}
  void PlayAudio(const uint8_t*, size_t) override {}

  std::mutex Lock;
  std::condition_variable Changed;
  std::vector<double> Micros;
};

void ServeFrames(int listener, std::atomic<bool>& stop) {
  const int client = accept(listener, nullptr, nullptr);
  if (client < 0) return;
  char request[4096];
  [[maybe_unused]] const ssize_t got = recv(client, request, sizeof request, 0);
  const std::string head =
      "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=bench\r\n\r\n";
  send(client, head.data(), head.size(), MSG_NOSIGNAL);
  std::string part =
      "--bench\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(kFrameBytes) +
      "\r\n\r\n";
  const size_t bodyAt = part.size();
  part.append(kFrameBytes, 'j');
  part += "\r\n";
  auto next = TClock::now();
  while (!stop) {
    std::this_thread::sleep_until(next);
    next += kPeriod;
    const int64_t sent = TClock::now().time_since_epoch().count();
    std::memcpy(part.data() + bodyAt, &sent, sizeof sent);
    if (send(client, part.data(), part.size(), MSG_NOSIGNAL) < 0) break;
  }
  close(client);
}

void BM_FrameLatency(benchmark::State& state) {
  for (auto _ : state) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::atomic<bool> stop{false};
    std::thread server(ServeFrames, listener, std::ref(stop));

    auto sink = std::make_shared<TLatencySink>();
    vexilon::TVideoConnect camera;
    camera.Web = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/v";
    camera.Flags = vexilon::kSimpleGetFlag;
    vexilon::TConnectConfig config;
    config.Settings = [] { return vexilon::TNetSettings{}; };  // CPUUSAGE 99
    {
      vexilon::TVideoThread thread(camera, sink, config);
      std::unique_lock lock(sink->Lock);
      sink->Changed.wait_for(lock, std::chrono::seconds(60),
                             [&] { return sink->Micros.size() >= size_t(kFrames); });
    }
    stop = true;
    server.join();
    close(listener);

    std::vector<double> micros = sink->Micros;
    std::sort(micros.begin(), micros.end());
    if (micros.empty()) {
      state.SkipWithError("no frame arrived");
      return;
    }
    state.counters["frames"] = double(micros.size());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  }
}
BENCHMARK(BM_FrameLatency)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
