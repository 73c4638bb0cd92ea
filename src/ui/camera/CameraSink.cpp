#include "ui/camera/CameraSink.h"

#include <QMetaObject>

#include "core/net/AudioThread.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/SoundOutput.h"

namespace vexilon {
namespace {

// About two seconds of a fast camera.
constexpr int kMaxPendingFrames = 50;

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
  if (FAudio || FShared->PendingFrames >= kMaxPendingFrames) return;
  ++FShared->PendingFrames;
  FShared->Post([shared = FShared.get(), bytes = std::move(bytes)](TfrmCamera& window) mutable {
    --shared->PendingFrames;
    window.HandleFrame(std::move(bytes));
  });
}

void TCameraSink::SetPageText(const std::string& text) {
  std::lock_guard lock(FShared->Lock);
  Text() = text;
}

void TCameraSink::AddPageLine(const std::string& line) {
  std::lock_guard lock(FShared->Lock);
  Text() += "\r\n" + line;
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
  if (!FShared->AudioActive.exchange(true))
    FShared->Post([](TfrmCamera& window) { window.UpdateCaption(); });
}

void TCameraSink::Disconnected() {
  // Sound embedded in the picture stream ends with its connection.
  if (FAudio || FShared->AudioThread.load() == nullptr) FShared->AudioActive = false;
  if (FAudio) return;
  // In line with the frames before it, so the count restarts exactly at the new connection.
  FShared->Post([](TfrmCamera& window) { window.StreamClosed(); });
}

}  // namespace vexilon
