#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/capture/Flashback.h"
#include "core/capture/MultiCaptureSettings.h"

namespace vexilon {

class TMultiCaptureWriter;

// The picture a camera window shows now, as the recorder sees it.
struct TRecordedPicture {
  int Width = 0, Height = 0;
  const std::string* Jpeg = nullptr;  // the bytes as received; null or empty: not a JPEG
  bool Real() const { return Width > 1 && Height > 1; }
};

// Records one camera window's pictures over time into numbered JPEG files or multi-capture
// files, clip after clip, until the limits say it is over or it is stopped.
class TMultiCaptureRecorder {
 public:
  using TClock = std::chrono::system_clock;

  // What the camera window lends the recorder.
  struct THost {
    std::string CaptureFolder;  // where multi-capture files go
    std::string BaseName;       // the camera's name without state suffixes
    int WindowId = 0;
    int CaptionHeight = 0;  // of a window caption bar here, for the recorded window size
    std::function<TClock::time_point()> Now = [] { return TClock::now(); };
    // Saves the current picture as the next numbered JPEG file with its status message;
    // throws what it cannot do.
    std::function<void()> SaveSingleCapture;
    std::function<void(const std::string&)> StatusText;
    // A multi-capture file is complete, its end mark written (full path).
    std::function<void(const std::string&)> FileClosed;
  };

  explicit TMultiCaptureRecorder(THost host);
  // The camera's name is known once its streams start.
  void SetBaseName(std::string baseName) { FHost.BaseName = std::move(baseName); }
  ~TMultiCaptureRecorder();

  // Starts a recording: the first clip, the kept frames ahead of the live ones (multi-capture
  // files only) and an attempt with the current picture at once. Throws when the first file
  // cannot be created; then nothing runs.
  void Start(const TMultiCaptureSettings& settings, const TFlashbackStore& flashback,
             const TRecordedPicture& picture, bool& resumed);
  // A new picture arrived. resumed says the stream was resumed since the last recorded picture
  // and is cleared when a picture carries it. A failure to write ends the recording and throws
  // once, so that the window can say so.
  void NewPicture(const TRecordedPicture& picture, bool& resumed);
  // Ends the recording; a multi-capture file is closed complete.
  void Stop();

  bool Capturing() const { return FCapturing; }
  // Whether NewPicture would record a picture now: a picture made only to be recorded need
  // be made only then.
  bool PictureDue() const;
  // Whether pictures are taken so often that each should come ready to record.
  bool TakesEveryPicture() const { return FCapturing && !FSuspended && FSettings.Delay < 1000; }
  bool Suspended() const { return FSuspended; }
  void SetSuspended(bool suspended) { FSuspended = suspended; }
  const std::string& FileName() const { return FFileName; }
  long long BytesWritten() const { return FBytesWritten; }

 private:
  void StartClip();
  bool Attempt(const TRecordedPicture& picture, bool& resumed);
  void CheckLimits();
  void WriteImage(const std::string& jpeg, int width, int height, TClock::time_point time,
                  bool brk);
  // Stops the recording after a failure and passes the failure on.
  [[noreturn]] void Abandon();

  THost FHost;
  TMultiCaptureSettings FSettings;
  bool FCapturing = false;
  bool FSuspended = false;
  int FFilesRemaining = 0;
  int FFramesRemaining = 0;
  std::unique_ptr<TMultiCaptureWriter> FFile;
  std::string FFileName;
  std::string FFilePath;
  int FFramesInFile = 0;
  long long FBytesWritten = 0;
  long long FLastRecordSize = 0;
  TClock::time_point FClipStart;
  std::optional<TClock::time_point> FLastAttempt;
  std::optional<std::string> FLastRecorded;
  int FFileCounter = 0;
};

}  // namespace vexilon
