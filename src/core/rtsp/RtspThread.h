#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "core/net/StreamThread.h"
#include "core/net/ThreadClock.h"
#include "core/rtsp/RtspSource.h"

namespace vexilon {

// What an RTSP camera's thread hands over, called on the thread.
class TPictureSink {
 public:
  virtual ~TPictureSink() = default;
  // The size the picture is drawn at, asked before each decode; 0 by 0 for its own size.
  virtual void DrawSize(int& width, int& height) { width = height = 0; }
  // Whether decoded pictures are wanted now. An unseen window's thread only reads the stream,
  // and decodes again from the next key frame once they are wanted.
  virtual bool WantsPictures() { return true; }
  virtual void Stream(const TRtspStreamInfo& info) { (void)info; }
  // A block of the camera's sound, when the source was asked for it; valid for the call.
  virtual void Sound(const TRtspSound& sound) { (void)sound; }
  // A buffer of the sink's own for the next picture's rows, or none for the picture's own
  // Pixels; the picture's Rows then point into it in Picture.
  virtual TPixelTarget PictureTarget(int width, int height) {
    (void)width;
    (void)height;
    return {};
  }
  // A decoded picture, valid for the call, and the packet it came from.
  virtual void Picture(const TRtspPicture& picture, const TRtspPacket& packet) = 0;
  // Why there is no picture, in words ("" once pictures come), and when the next try comes
  // (the epoch when none is due).
  virtual void State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) = 0;
};

struct TRtspThreadConfig {
  TRtspOptions Source;  // the address, the transport, and the stall limit
  std::chrono::milliseconds RetryDelay{1000};
  std::shared_ptr<const TThreadClock> Clock;  // empty: the steady clock
};

struct TRtspCore;

// Reads an RTSP camera on a thread of its own: opens, reads and decodes, and when the camera
// fails or stalls tells the sink why and tries again after the retry delay, longer for a
// camera that keeps failing. Pause closes the stream until resumed; Stop returns within a
// second whatever the libraries are doing. A camera that goes quiet fails at the source's
// time-out, so the thread never reports a stall of its own.
class TRtspThread : public TStreamThread {
 public:
  TRtspThread(TRtspThreadConfig config, std::shared_ptr<TPictureSink> sink);
  ~TRtspThread() override;
  TRtspThread(const TRtspThread&) = delete;
  TRtspThread& operator=(const TRtspThread&) = delete;

  void PauseStream() override;
  void ResumeStream() override;
  bool IsPaused() const override;
  bool IsFinished() const override;
  bool IsStalled() const override { return false; }
  // Closes the stream and opens it again at once, without counting a failure.
  void RequestRestart() override;
  bool Stop() override;

 private:
  std::shared_ptr<TRtspCore> FCore;
  std::thread FThread;
};

}  // namespace vexilon
