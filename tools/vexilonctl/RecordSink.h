#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "core/capture/MultiCaptureRecorder.h"
#include "core/imaging/Jpeg.h"
#include "core/net/StreamSink.h"

namespace vexilon {

// What a camera window does with the frames of its video thread while it records, without
// the window: each frame is decoded as the window decodes it and offered to the recorder.
// Frames arrive on the connection thread; the command's own thread waits and stops.
class TRecordSink : public TStreamSink {
 public:
  struct TSetup {
    std::string Name;    // the camera's name, which files are named after
    std::string Folder;  // where they go
    TMultiCaptureSettings Settings;
    int CaptionHeight = 0;
    bool Html = false;    // frames are pages, which a camera window does not record
    bool Status = false;  // draw a live status line on stderr
  };
  explicit TRecordSink(TSetup setup);

  void Frame(std::string bytes) override;
  void SetPageText(const std::string& text) override;
  void AddPageLine(const std::string&) override {}
  void ShowPageText(const std::string& text) override;
  void WaveFormat(const TWaveFormat&) override {}
  void PlayAudio(const uint8_t*, size_t) override {}
  void Connected() override;

  // The recording is over by its limits, failed, or cannot begin.
  bool Over();
  // Waits at most timeout for a frame or the end; redraws the status line now and then.
  void Wait(std::chrono::milliseconds timeout);
  // Ends the recording, its file complete, once no more frames come; prints what went wrong
  // (unreachable says how the camera was not reached) and answers the exit code.
  int Finish(const std::string& unreachable);

 private:
  using TClock = std::chrono::steady_clock;
  TMultiCaptureRecorder::THost Host();
  void SaveSingleCapture();
  void Closed(const std::string& path);
  void DrawStatus();
  void ClearStatus();
  void EndWith(std::string error);

  const TSetup FSetup;
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FStarted = false;
  bool FResumed = false;  // there is no pause here, so no picture follows one
  bool FOver = false;
  bool FEverConnected = false;
  std::string FError;
  // The picture being recorded: its JPEG bytes as received, or its pixels when not a JPEG.
  std::string FJpeg;
  TBitmap FBitmap;
  int FCaptureCounter = 0;
  long FReceived = 0;
  long FRecorded = 0;
  // The status line: whether one is on screen, and the rate since it was last drawn.
  bool FStatusShown = false;
  TClock::time_point FLastDraw = TClock::now();
  long FReceivedAtDraw = 0;
  // Last, so that a file still open is closed while everything it reports to is alive.
  TMultiCaptureRecorder FRecorder;
};

}  // namespace vexilon
