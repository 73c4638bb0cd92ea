#pragma once
#include <QPointer>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "core/audio/WaveFormat.h"
#include "core/net/StreamSink.h"

namespace vexilon {

class TAudioThread;
class TfrmCamera;

// What a camera window shares with its reader threads: the header texts they write, the
// wave format, and the way back to the window. The window lets go of it when it is destroyed,
// so a thread that is still finishing talks to nobody.
struct TCameraShared {
  std::mutex Lock;
  TfrmCamera* Window = nullptr;  // under Lock; null once the window is gone
  std::string HeaderText;
  std::string AudioHeaderText;
  TWaveFormat WaveFormat = TWaveFormat::Pcm(8000, 8, 1);
  std::atomic<TAudioThread*> AudioThread{nullptr};  // the window's, for the sound focus
  std::atomic<bool> AudioActive{false};
  // Frames queued to the window and not yet handled; a window that cannot keep up drops new
  // frames rather than queueing without bound.
  std::atomic<int> PendingFrames{0};

  // Runs call on the window's thread, later, if the window still exists then.
  template <class F>
  void Post(F call);
};

// The sink of one of a camera window's threads: frames and repaints are queued to the window,
// header text goes to the shared state, sound goes to the process's output while this
// window's sound is the audible one.
class TCameraSink : public TStreamSink {
 public:
  TCameraSink(std::shared_ptr<TCameraShared> shared, bool audio)
      : FShared(std::move(shared)), FAudio(audio) {}

  void Frame(std::string bytes) override;
  void SetPageText(const std::string& text) override;
  void AddPageLine(const std::string& line) override;
  void ShowPageText(const std::string& text) override;
  void WaveFormat(const TWaveFormat& format) override;
  void PlayAudio(const uint8_t* data, size_t size) override;
  void Disconnected() override;

 private:
  std::string& Text();

  std::shared_ptr<TCameraShared> FShared;
  const bool FAudio;  // the separate sound stream's sink rather than the picture's
};

}  // namespace vexilon
