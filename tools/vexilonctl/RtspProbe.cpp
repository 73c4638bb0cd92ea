#include "RtspProbe.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "core/net/RtspAddress.h"
#include "core/rtsp/RtspSource.h"
#include "core/text/JsonString.h"

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

// Interrupts the source once the run's time is up, whatever the library is waiting for.
class TStopWatch {
 public:
  TStopWatch(TRtspSource& source, double seconds)
      : FThread([this, &source, seconds] {
          std::unique_lock lock(FLock);
          if (FDone.wait_for(lock, std::chrono::duration<double>(seconds),
                             [this] { return FOver; }))
            return;
          FExpired = true;
          source.Interrupt();
        }) {}
  ~TStopWatch() {
    {
      std::lock_guard lock(FLock);
      FOver = true;
    }
    FDone.notify_all();
    FThread.join();
  }
  bool Expired() {
    std::lock_guard lock(FLock);
    return FExpired;
  }

 private:
  std::mutex FLock;
  std::condition_variable FDone;
  bool FOver = false, FExpired = false;
  std::thread FThread;
};

void PrintStream(const TRtspStreamInfo& info, bool json) {
  if (json) {
    std::printf(
        "{\"type\":\"stream\",\"codec\":%s,\"width\":%d,\"height\":%d,\"fps\":%.2f,\"audio\":%s}\n",
        JsonString(info.Codec).c_str(), info.Width, info.Height, info.FrameRate,
        info.AudioCodec.empty() ? "null" : JsonString(info.AudioCodec).c_str());
    return;
  }
  std::printf("stream codec=%s size=%dx%d fps=%.2f audio=%s\n", info.Codec.c_str(), info.Width,
              info.Height, info.FrameRate,
              info.AudioCodec.empty() ? "none" : info.AudioCodec.c_str());
}

void PrintFrame(long number, const TRtspPacket& packet, const TRtspPicture* picture, bool json) {
  if (json) {
    std::printf("{\"type\":\"frame\",\"number\":%ld,\"bytes\":%lld,\"time\":%.3f,\"key\":%s",
                number, static_cast<long long>(packet.Bytes), packet.Seconds,
                packet.Key ? "true" : "false");
    if (picture != nullptr) {
      if (picture->Width > 0)
        std::printf(",\"decoded\":true,\"width\":%d,\"height\":%d", picture->Width,
                    picture->Height);
      else
        std::printf(",\"decoded\":false");
    }
    std::printf("}\n");
    return;
  }
  std::printf("frame %ld %lld %.3f%s", number, static_cast<long long>(packet.Bytes), packet.Seconds,
              packet.Key ? " key" : "");
  if (picture != nullptr) {
    if (picture->Width > 0)
      std::printf(" %dx%d", picture->Width, picture->Height);
    else
      std::printf(" ?");
  }
  std::printf("\n");
}

}  // namespace

int RunRtspProbe(const TRtspProbeRun& run) {
  TRtspSource source({run.Url, run.Tcp, std::chrono::milliseconds(10000)});
  const auto start = TClock::now();
  long frames = 0;
  long long bytes = 0;
  std::string failure;
  {
    TStopWatch watch(source, run.Seconds);
    try {
      source.Open();
      PrintStream(source.Info(), run.Json);
      TRtspPicture picture;
      while (run.Frames == 0 || frames < run.Frames) {
        const auto packet = source.ReadPicture();
        if (!packet) break;
        ++frames;
        bytes += packet->Bytes;
        if (run.Decode && !source.Decode(picture)) picture = {};
        PrintFrame(frames, *packet, run.Decode ? &picture : nullptr, run.Json);
      }
    } catch (const ERtspError& error) {
      // The run's own time limit is how a probe of a live camera ends.
      if (!watch.Expired()) failure = error.what();
    }
  }
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  const double fps = seconds > 0 ? double(frames) / seconds : 0.0;
  const std::string format = "rtsp/" + (source.Info().Codec.empty() ? "?" : source.Info().Codec);
  if (run.Json) {
    std::printf(
        "{\"type\":\"summary\",\"format\":%s,\"frames\":%ld,\"bytes\":%lld,\"seconds\":%.3f,"
        "\"fps\":%.2f,\"error\":%s}\n",
        JsonString(format).c_str(), frames, bytes, seconds, fps,
        failure.empty() ? "null" : JsonString(failure).c_str());
  } else {
    std::printf("frames=%ld bytes=%lld seconds=%.3f fps=%.2f format=%s\n", frames, bytes, seconds,
                fps, format.c_str());
  }
  std::fflush(stdout);
  if (failure.empty()) return 0;
  std::fprintf(stderr, "vexilonctl probe: %s: %s\n", RtspUrlForDisplay(run.Url).c_str(),
               failure.c_str());
  return 1;
}

}  // namespace vexilon
