#pragma once
#include <QPointer>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "core/audio/WaveFormat.h"
#include "core/net/StreamSink.h"
#include "ui/camera/FrameDecoder.h"
#include "ui/camera/PictureBox.h"

namespace vexilon {

class TAudioThread;
class TfrmCamera;

// A frame on its way to the window: prepared by the reader thread into a picture (whose Jpeg
// then holds a JPEG's bytes), or left as Bytes for the window; Bytes also keeps what did not
// decode.
struct TCameraFrame {
  std::string Bytes;
  TPicture Picture;
  bool Prepared = false;
};

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
  std::atomic<bool> RtspSound{false};               // an RTSP camera whose sound is decoded
  std::atomic<bool> AudioActive{false};
  // Frames waiting for the window, under Lock. A window that cannot keep up loses the oldest
  // rather than queueing without bound, and the losses are counted.
  std::deque<TCameraFrame> PendingFrames;
  std::size_t PendingBytes = 0;
  bool FrameHandOverPosted = false;
  std::atomic<long long> DroppedFrames{0};
  // How the reader thread prepares pictures, kept up to date by the window: decoded for the
  // area they are drawn in (0 × 0: full size) while somebody can see them, else only
  // measured; pages are left to the window.
  std::atomic<bool> PrepareFrames{false};
  std::atomic<bool> Seen{true};
  std::atomic<int> DrawWidth{0}, DrawHeight{0};
  // Something keeps every new picture (flashback, a multi-capture): a video stream's reader
  // then encodes each one to JPEG on its own thread.
  std::atomic<bool> WantsJpeg{false};
  // Why the camera shows no picture, and when the next try comes (epoch: none due); under Lock.
  std::string StateReason;
  std::chrono::steady_clock::time_point NextTry;

  // Runs call on the window's thread, later, if the window still exists then.
  template <class F>
  void Post(F call);
  // From a reader thread: queues a frame for the window.
  void Queue(TCameraFrame frame);
  // From a reader thread: why there is no picture, and when the next try comes.
  void SetState(const std::string& reason, std::chrono::steady_clock::time_point nextTry);
  // From a reader thread: sound reached the output; the caption says so.
  void SoundHeard();
  // From a reader thread: sound no longer reaches the output.
  void SoundUnheard();
  // From an RTSP reader thread: the camera's sound is decoded and can be heard.
  void RtspSoundDecoded();
  // From a reader thread: the picture's connection has ended.
  void StreamEnded();
  // From a reader thread: new header text for the window, shown at once.
  void ShowHeaderText(std::string text);
  // On the window's thread: hands every waiting frame to the window, oldest first.
  void HandOverFrames(TfrmCamera& window);
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
  void State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) override;
  void UntrustedCertificate(const std::string& fingerprint, const std::string& why) override;

 private:
  std::string& Text();

  std::shared_ptr<TCameraShared> FShared;
  const bool FAudio;  // the separate sound stream's sink rather than the picture's
  TFrameDecoder FDecoder;
};

}  // namespace vexilon
