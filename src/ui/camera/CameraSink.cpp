#include "ui/camera/CameraSink.h"

#include <QMetaObject>

#include <utility>

#include "core/app/DebugLog.h"
#include "core/net/AudioThread.h"
#include "core/rtsp/RtspSource.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/RtspCameraSink.h"
#include "ui/camera/SoundOutput.h"

namespace vexilon {
namespace {

// About two seconds of a fast camera, and no more memory than its receive buffer may take.
constexpr std::size_t kMaxPendingFrames = 50;
constexpr std::size_t kMaxPendingBytes = std::size_t(32) << 20;
// The header text a connection's lines may grow to.
constexpr std::size_t kMaxHeaderText = std::size_t(64) << 10;
// Shorter frames are no pictures; the window ignores them.
constexpr std::size_t kSmallestPicture = 128;

std::size_t FrameBytes(const TCameraFrame& frame) {
  // A video picture's full-size frame: planes of about a byte and a half a pixel.
  const std::size_t full = frame.Picture.Full ? std::size_t(frame.Picture.Width) *
                                                    std::size_t(frame.Picture.Height) * 3 / 2
                                              : 0;
  return frame.Bytes.size() + frame.Picture.Jpeg.size() +
         std::size_t(frame.Picture.Image.sizeInBytes()) + full;
}

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
  // Decoded here, on the reader's thread, so that many cameras share the processor's cores
  // and the window only paints.
  TCameraFrame frame;
  if (FShared->PrepareFrames && bytes.size() >= kSmallestPicture) {
    frame.Picture = FShared->Seen ? FDecoder.Decode(bytes, FShared->DrawWidth, FShared->DrawHeight)
                                  : FDecoder.Describe(bytes);
    frame.Prepared = true;
  }
  frame.Bytes = std::move(bytes);
  FShared->Queue(std::move(frame));
}

void TCameraShared::Queue(TCameraFrame frame) {
  const std::size_t size = FrameBytes(frame);
  bool post = false;
  long long dropped = 0;
  {
    std::lock_guard lock(Lock);
    // The newest picture is the one worth showing: older ones make room for it.
    while (!PendingFrames.empty() &&
           (PendingFrames.size() >= kMaxPendingFrames || PendingBytes + size > kMaxPendingBytes)) {
      PendingBytes -= FrameBytes(PendingFrames.front());
      PendingFrames.pop_front();
      dropped = ++DroppedFrames;
    }
    // Only the newest picture will be painted: those before it keep their bytes (or full-size
    // frames) for recordings and flashback, not their images.
    for (TCameraFrame& older : PendingFrames) {
      if (older.Picture.Image.isNull()) continue;
      PendingBytes -= std::size_t(older.Picture.Image.sizeInBytes());
      older.Picture.Image = QImage();
      older.Picture.ImageBehind = true;
    }
    PendingBytes += size;
    PendingFrames.push_back(std::move(frame));
    post = !std::exchange(FrameHandOverPosted, true);
  }
  // The first loss of a run and then every hundredth, so the log does not flood.
  if (dropped % 100 == 1) Log("Frames dropped: " + std::to_string(dropped));
  if (post) {
    Post([](TfrmCamera& window) {
      const std::shared_ptr<TCameraShared> shared = window.SharedState();
      shared->HandOverFrames(window);
    });
  }
}

void TCameraShared::HandOverFrames(TfrmCamera& window) {
  std::deque<TCameraFrame> frames;
  {
    std::lock_guard lock(Lock);
    frames.swap(PendingFrames);
    PendingBytes = 0;
    FrameHandOverPosted = false;
  }
  // All at once, so that a window that fell behind catches up with the camera at the next
  // paint; each frame still reaches recordings and flashback.
  // A frame may end in a message box, whose event loop may close the window.
  const QPointer<TfrmCamera> alive(&window);
  for (TCameraFrame& frame : frames) {
    if (alive.isNull()) return;
    window.HandleFrame(std::move(frame));
  }
}

void TCameraSink::SetPageText(const std::string& text) {
  std::lock_guard lock(FShared->Lock);
  Text() = text;
}

void TCameraSink::AddPageLine(const std::string& line) {
  {
    std::lock_guard lock(FShared->Lock);
    std::string& text = Text();
    text += "\r\n" + line;
    // A camera that keeps refusing adds lines with every try, for weeks: the oldest go.
    if (text.size() > kMaxHeaderText) {
      const std::size_t cut = text.find("\r\n", text.size() - kMaxHeaderText);
      text.erase(0, cut == std::string::npos ? text.size() - kMaxHeaderText : cut + 2);
    }
  }
  // A reason or the time of the next try is news to a window without a picture.
  if (!FAudio) FShared->Post([](TfrmCamera& window) { window.HeaderTextChanged(); });
}

void TCameraSink::ShowPageText(const std::string& text) {
  if (!FAudio) return FShared->ShowHeaderText(text);
  SetPageText(text);
}

void TCameraShared::ShowHeaderText(std::string text) {
  {
    std::lock_guard lock(Lock);
    HeaderText = std::move(text);
  }
  Post([](TfrmCamera& window) { window.HeaderTextChanged(); });
}

void TCameraSink::WaveFormat(const TWaveFormat& format) {
  // Taken here at once: the blocks that follow on this thread read it from here.
  std::lock_guard lock(FShared->Lock);
  FShared->WaveFormat = format;
}

void TCameraSink::PlayAudio(const uint8_t* data, size_t size) {
  TSoundOutput& output = SoundOutput();
  if (!output.Enabled() || AudioOwner().load() != FShared->AudioThread.load()) return;
  // Sound inside the picture stream is heard only while no RTSP camera has the sound.
  if (FShared->AudioThread.load() == nullptr && RtspSoundWindow().load() != nullptr) return;
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
  FShared->SoundHeard();
}

void TCameraShared::SoundUnheard() {
  if (AudioActive.exchange(false)) Post([](TfrmCamera& window) { window.UpdateCaption(); });
}

void TCameraShared::RtspSoundDecoded() {
  RtspSound = true;
  Post([](TfrmCamera& window) { window.RtspSoundKnown(); });
}

void TCameraShared::SoundHeard() {
  if (!AudioActive.exchange(true)) Post([](TfrmCamera& window) { window.UpdateCaption(); });
}

void TCameraSink::State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) {
  if (FAudio) return;  // the picture's connection speaks for the window
  FShared->SetState(reason, nextTry);
}

void TCameraShared::SetState(const std::string& reason,
                             std::chrono::steady_clock::time_point nextTry) {
  {
    std::lock_guard lock(Lock);
    StateReason = reason;
    NextTry = nextTry;
  }
  Post([](TfrmCamera& window) { window.HeaderTextChanged(); });
}

void TCameraSink::UntrustedCertificate(const std::string& fingerprint, const std::string& why) {
  // The picture's connection asks; the sound's is trusted along with it.
  if (FAudio) return;
  FShared->Post(
      [fingerprint, why](TfrmCamera& window) { window.CertificateUntrusted(fingerprint, why); });
}

void TCameraSink::Disconnected() {
  // Sound embedded in the picture stream ends with its connection.
  if (FAudio || FShared->AudioThread.load() == nullptr) FShared->AudioActive = false;
  if (!FAudio) FShared->StreamEnded();
}

void TCameraShared::StreamEnded() {
  // In line with the frames before it, so the count restarts exactly at the new connection.
  Post([](TfrmCamera& window) { window.StreamClosed(); });
}

}  // namespace vexilon
