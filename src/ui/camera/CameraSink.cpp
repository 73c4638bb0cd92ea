#include "ui/camera/CameraSink.h"

#include <QMetaObject>

#include <utility>

#include "core/app/DebugLog.h"
#include "core/net/AudioThread.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/SoundOutput.h"

namespace vexilon {
namespace {

// About two seconds of a fast camera, and no more memory than its receive buffer may take.
constexpr std::size_t kMaxPendingFrames = 50;
constexpr std::size_t kMaxPendingBytes = std::size_t(32) << 20;

}  // namespace

template <class F>
void TCameraShared::Post(F call) {
  std::lock_guard lock(Lock);
  if (Window == nullptr) return;
  // Queued on the window itself: Qt drops the call if the window is deleted before it runs.
  QMetaObject::invokeMethod(
      Window, [window = Window, call = std::move(call)]() mutable { call(*window); },
      Qt::QueuedConnection);
}

std::string& TCameraSink::Text() {
  return FAudio ? FShared->AudioHeaderText : FShared->HeaderText;
}

void TCameraSink::Frame(std::string bytes) {
  if (FAudio) return;
  bool post = false;
  long long dropped = 0;
  {
    std::lock_guard lock(FShared->Lock);
    auto& pending = FShared->PendingFrames;
    // The newest picture is the one worth showing: older ones make room for it.
    while (!pending.empty() && (pending.size() >= kMaxPendingFrames ||
                                FShared->PendingBytes + bytes.size() > kMaxPendingBytes)) {
      FShared->PendingBytes -= pending.front().size();
      pending.pop_front();
      dropped = ++FShared->DroppedFrames;
    }
    FShared->PendingBytes += bytes.size();
    pending.push_back(std::move(bytes));
    post = !std::exchange(FShared->FrameHandOverPosted, true);
  }
  // The first loss of a run and then every hundredth, so the log does not flood.
  if (dropped % 100 == 1) Log("Frames dropped: " + std::to_string(dropped));
  if (post) FShared->Post([](TfrmCamera& window) { window.SharedState()->HandOverFrame(window); });
}

void TCameraShared::HandOverFrame(TfrmCamera& window) {
  std::string frame;
  bool more = false;
  {
    std::lock_guard lock(Lock);
    if (PendingFrames.empty()) {
      FrameHandOverPosted = false;
      return;
    }
    frame = std::move(PendingFrames.front());
    PendingFrames.pop_front();
    PendingBytes -= frame.size();
    more = !PendingFrames.empty();
    FrameHandOverPosted = more;
  }
  if (more) Post([](TfrmCamera& next) { next.SharedState()->HandOverFrame(next); });
  window.HandleFrame(std::move(frame));
}

void TCameraSink::SetPageText(const std::string& text) {
  std::lock_guard lock(FShared->Lock);
  Text() = text;
}

void TCameraSink::AddPageLine(const std::string& line) {
  {
    std::lock_guard lock(FShared->Lock);
    Text() += "\r\n" + line;
  }
  // A reason or the time of the next try is news to a window without a picture.
  if (!FAudio) FShared->Post([](TfrmCamera& window) { window.HeaderTextChanged(); });
}

void TCameraSink::ShowPageText(const std::string& text) {
  SetPageText(text);
  if (!FAudio) FShared->Post([](TfrmCamera& window) { window.HeaderTextChanged(); });
}

void TCameraSink::WaveFormat(const TWaveFormat& format) {
  // Taken here at once: the blocks that follow on this thread read it from here.
  std::lock_guard lock(FShared->Lock);
  FShared->WaveFormat = format;
}

void TCameraSink::PlayAudio(const uint8_t* data, size_t size) {
  TSoundOutput& output = SoundOutput();
  if (!output.Enabled() || AudioOwner().load() != FShared->AudioThread.load()) return;
  TWaveFormat format;
  {
    std::lock_guard lock(FShared->Lock);
    format = FShared->WaveFormat;
  }
  output.WaveOut().PlaySoundBlock(format.SamplesPerSec, format.BitsPerSample, format.Channels, data,
                                  size);
  if (!output.WaveOut().DeviceOpen()) {
    // Said once, in the status bar, instead of an "(audio)" that plays nothing.
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) FShared->Post([](TfrmCamera& window) { window.NoSoundDevice(); });
    return;
  }
  if (!FShared->AudioActive.exchange(true))
    FShared->Post([](TfrmCamera& window) { window.UpdateCaption(); });
}

void TCameraSink::State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) {
  if (FAudio) return;  // the picture's connection speaks for the window
  {
    std::lock_guard lock(FShared->Lock);
    FShared->StateReason = reason;
    FShared->NextTry = nextTry;
  }
  FShared->Post([](TfrmCamera& window) { window.HeaderTextChanged(); });
}

void TCameraSink::Disconnected() {
  // Sound embedded in the picture stream ends with its connection.
  if (FAudio || FShared->AudioThread.load() == nullptr) FShared->AudioActive = false;
  if (FAudio) return;
  // In line with the frames before it, so the count restarts exactly at the new connection.
  FShared->Post([](TfrmCamera& window) { window.StreamClosed(); });
}

}  // namespace vexilon
