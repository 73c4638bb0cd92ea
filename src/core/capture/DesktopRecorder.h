#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/capture/MultiCaptureFile.h"
#include "core/capture/MultiCaptureSettings.h"

namespace vexilon {

class TMultiCaptureWriter;

// What a desktop recording remembers of one camera window; the window keeps it and clears
// Captured whenever a new picture arrives, so that each picture is written at most once.
struct TDesktopCaptureMark {
  bool Captured = false;
  std::optional<std::string> LastPicture;  // JPEG bytes last written, for the duplicate test
  void Reset() { *this = TDesktopCaptureMark(); }
};

// One camera window of the desktop as a step sees it.
struct TDesktopSource {
  TDesktopCaptureMark* Mark = nullptr;
  bool Paused = false;
  int Width = 0, Height = 0;
  const std::string* Jpeg = nullptr;  // null or empty: the picture is no JPEG picture
  TCaptureRect Bounds;                // the window's outer bounds on the desktop or screen
  int WindowId = 0;
  std::string Name;
};

// "Desktop" and the smallest number from 1 up whose .vmc file is not in folder (gaps are
// filled), with five digits at least. The folder is created when missing.
std::string FreeDesktopFileName(const std::string& folder);

// Records the camera windows of one desktop window into multi-capture files: at each step one
// frame record and an image record for every window whose picture changed, clip after clip,
// until the limits say the recording is over or it is stopped.
class TDesktopRecorder {
 public:
  using TClock = std::chrono::system_clock;
  using TSources = std::function<std::vector<TDesktopSource>()>;

  struct THost {
    std::string CaptureFolder;
    std::function<TClock::time_point()> Now = [] { return TClock::now(); };
    std::function<void(const std::string&)> StatusText;
  };

  explicit TDesktopRecorder(THost host);
  // Closes a running clip complete.
  ~TDesktopRecorder();
  TDesktopRecorder(const TDesktopRecorder&) = delete;
  TDesktopRecorder& operator=(const TDesktopRecorder&) = delete;

  // Starts a recording with its first clip and runs one step at once. Throws when the file
  // cannot be created (nothing runs then) or written (the recording has stopped).
  void Start(const TMultiCaptureSettings& settings, const TSources& sources);
  // The desktop timer: runs a step once the delay has passed since the last one. A write
  // failure, or a next clip that cannot be created, stops the recording and throws once.
  void Tick(const TSources& sources);
  // Ends the recording; the file is closed with its end mark.
  void Stop();

  bool Active() const { return FFile != nullptr; }
  int Delay() const { return FSettings.Delay; }
  const std::string& FileName() const { return FFileName; }
  int FrameCount() const { return FFrameCount; }
  int ImageCount() const { return FImageCount; }

 private:
  void StartClip();
  void CloseClip();
  void Step(const std::vector<TDesktopSource>& sources);
  void CheckLimits();
  [[noreturn]] void Abandon();

  THost FHost;
  TMultiCaptureSettings FSettings;
  int FFilesRemaining = 0;
  int FFramesRemaining = 0;
  std::unique_ptr<TMultiCaptureWriter> FFile;
  std::string FFileName;
  int FFrameCount = 0;
  int FImageCount = 0;
  TClock::time_point FClipStart;
  std::optional<TClock::time_point> FLastStep;
};

}  // namespace vexilon
