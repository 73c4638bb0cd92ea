#include "core/rtsp/RtspThread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "core/app/DebugLog.h"
#include "core/net/ReconnectBackoff.h"
#include "core/net/RtspAddress.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
// Stop waits this long for the thread; the rest of its second is for the caller.
constexpr auto kStopWait = 800ms;
// Cameras send a key frame every one to four seconds.
constexpr auto kLongestKeyWait = 5s;

}  // namespace

struct TRtspCore {
  TRtspCore(TRtspThreadConfig config, std::shared_ptr<TPictureSink> sink)
      : Config(std::move(config)),
        Clock(Config.Clock ? Config.Clock : SteadyThreadClock()),
        Sink(std::move(sink)) {}

  void Execute();
  // One connection, from the open to the failure that ends it; throws ERtspError.
  void Stream();
  // Waits until due on the thread's clock, or a stop, pause or resume.
  void WaitUntil(TThreadClock::TTime due);
  // The current source, interrupted when the thread must stop or pause.
  void Interrupt();
  std::shared_ptr<TPictureSink> LiveSink();

  const TRtspThreadConfig Config;
  const std::shared_ptr<const TThreadClock> Clock;
  TReconnectBackoff Backoff;

  std::mutex Lock;  // guards the members below
  std::condition_variable Wake;
  std::shared_ptr<TPictureSink> Sink;  // empty once stopped
  TRtspSource* Source = nullptr;
  bool Terminate = false;
  bool Paused = false;
  bool Restart = false;
  bool Finished = false;
};

std::shared_ptr<TPictureSink> TRtspCore::LiveSink() {
  std::lock_guard lock(Lock);
  return Terminate ? nullptr : Sink;
}

void TRtspCore::Interrupt() {
  if (Source != nullptr) Source->Interrupt();
  Wake.notify_all();
}

void TRtspCore::WaitUntil(TThreadClock::TTime due) {
  std::unique_lock lock(Lock);
  const bool pausedAtStart = Paused;
  WaitOnClock(*Clock, lock, Wake, due, [&] { return Terminate || Paused != pausedAtStart; });
}

void TRtspCore::Stream() {
  TRtspSource source(Config.Source);
  {
    std::lock_guard lock(Lock);
    if (Terminate || Paused) return;
    Source = &source;
  }
  struct TForget {
    TRtspCore& Core;
    ~TForget() {
      std::lock_guard lock(Core.Lock);
      Core.Source = nullptr;
    }
  } forget{*this};

  source.OnSound([this](const TRtspSound& sound) {
    if (auto sink = LiveSink()) sink->Sound(sound);
  });
  source.Open();
  if (auto sink = LiveSink()) sink->Stream(source.Info());
  TRtspPicture picture;
  bool first = true;
  // Pictures were skipped: those up to the next key frame would decode broken. A camera that
  // marks none (intra refresh) is decoded again after kLongestKeyWait anyway.
  bool skipped = false;
  TThreadClock::TTime skippedSince{};
  while (auto packet = source.ReadPicture()) {
    auto sink = LiveSink();
    if (!sink) return;
    if (!sink->WantsPictures()) {
      if (!std::exchange(skipped, true)) skippedSince = Clock->Now();
      continue;
    }
    if (skipped) {
      if (!packet->Key && Clock->Now() - skippedSince < kLongestKeyWait) continue;
      source.Flush();
      skipped = false;
    }
    int width = 0, height = 0;
    sink->DrawSize(width, height);
    const auto target = [&sink](int w, int h) { return sink->PictureTarget(w, h); };
    if (!source.Decode(picture, width, height, target)) continue;
    if (first) sink->State("", {});  // pictures again
    first = false;
    Backoff.GoodFrame(Clock->Now());
    sink->Picture(picture, *packet);
  }
  throw ERtspError("The camera ended the stream");
}

void TRtspCore::Execute() {
  for (;;) {
    {
      std::unique_lock lock(Lock);
      Wake.wait(lock, [this] { return Terminate || !Paused; });
      if (Terminate) break;
    }
    std::string reason;
    try {
      if (auto sink = LiveSink())
        sink->State("Connecting to " + RtspUrlForDisplay(Config.Source.Url) + "\u2026", {});
      Stream();
    } catch (const ERtspError& error) {
      reason = error.what();
    } catch (const std::exception& error) {
      reason = error.what();
    }
    {
      std::lock_guard lock(Lock);
      if (Terminate) break;
      const bool restart = std::exchange(Restart, false);
      if (Paused || restart) continue;
    }
    // A camera never stops for a failure: it is asked again by the schedule.
    Log("RTSP camera failed: " + reason);
    const auto wait =
        std::max<std::chrono::milliseconds>(Config.RetryDelay, Backoff.Failure(Clock->Now()));
    const auto due = Clock->Now() + wait;
    if (auto sink = LiveSink()) sink->State(reason, due);
    WaitUntil(due);
  }
  std::lock_guard lock(Lock);
  Finished = true;
  Wake.notify_all();
}

TRtspThread::TRtspThread(TRtspThreadConfig config, std::shared_ptr<TPictureSink> sink)
    : FCore(std::make_shared<TRtspCore>(std::move(config), std::move(sink))) {
  FThread = std::thread([core = FCore] { core->Execute(); });
}

TRtspThread::~TRtspThread() {
  Stop();
}

void TRtspThread::PauseStream() {
  std::lock_guard lock(FCore->Lock);
  FCore->Paused = true;
  // The stream it ends is no failure, even when a resume comes before the thread looks.
  if (FCore->Source != nullptr) FCore->Restart = true;
  FCore->Interrupt();
}

void TRtspThread::ResumeStream() {
  std::lock_guard lock(FCore->Lock);
  FCore->Paused = false;
  FCore->Wake.notify_all();
}

bool TRtspThread::IsPaused() const {
  std::lock_guard lock(FCore->Lock);
  return FCore->Paused;
}

bool TRtspThread::IsFinished() const {
  std::lock_guard lock(FCore->Lock);
  return FCore->Finished;
}

void TRtspThread::RequestRestart() {
  std::lock_guard lock(FCore->Lock);
  if (FCore->Source == nullptr) return;  // between connections the schedule already runs
  FCore->Restart = true;
  FCore->Interrupt();
}

bool TRtspThread::Stop() {
  if (!FThread.joinable()) return true;
  bool finished;
  {
    std::unique_lock lock(FCore->Lock);
    FCore->Terminate = true;
    FCore->Interrupt();
    finished = FCore->Wake.wait_for(lock, kStopWait, [this] { return FCore->Finished; });
  }
  if (finished) {
    FThread.join();
    return true;
  }
  FThread.detach();
  return false;
}

}  // namespace vexilon
