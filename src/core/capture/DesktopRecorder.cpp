#include "core/capture/DesktopRecorder.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "core/app/RethrowAfter.h"
#include "core/capture/MultiCaptureWriter.h"

namespace vexilon {
namespace {

constexpr long long kMegabyte = 1048576;

}  // namespace

std::string FreeDesktopFileName(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(folder, error);  // a failure shows when the file is created
  const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  for (long long number = 1;; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "Desktop%05lld.vmc", number);
    const std::string path = prefix + name;
    if (!fs::exists(fs::symlink_status(path, error))) return path;
  }
}

TDesktopRecorder::TDesktopRecorder(THost host) : FHost(std::move(host)) {}

TDesktopRecorder::~TDesktopRecorder() {
  try {
    Stop();
  } catch (...) {
  }
}

void TDesktopRecorder::Start(const TMultiCaptureSettings& settings, const TSources& sources) {
  Stop();
  FSettings = settings;
  FFilesRemaining = settings.FileMode >= 1 ? settings.FileLimit : 0;
  FLastStep.reset();
  StartClip();
  try {
    Step(sources());
  } catch (...) {
    Abandon();
  }
}

void TDesktopRecorder::Tick(const TSources& sources) {
  if (!Active()) return;
  const TClock::time_point now = FHost.Now();
  if (FLastStep && now < *FLastStep + std::chrono::milliseconds(FSettings.Delay)) return;
  FLastStep = now;
  try {
    Step(sources());
  } catch (...) {
    Abandon();
  }
}

void TDesktopRecorder::StartClip() {
  const std::string path = FreeDesktopFileName(FHost.CaptureFolder);
  auto file = std::make_unique<TMultiCaptureWriter>();
  file->Create(path);  // a desktop's windows have captions of their own: no caption height
  FFile = std::move(file);
  FFileName = path.substr(path.find_last_of('/') + 1);
  FFrameCount = 0;
  FImageCount = 0;
  FClipStart = FHost.Now();
  FFramesRemaining = FSettings.ClipMode == TMultiCaptureSettings::Frames ? FSettings.Count : 0;
}

void TDesktopRecorder::Step(const std::vector<TDesktopSource>& sources) {
  if (!FFile) return;
  bool frameWritten = false;
  for (const TDesktopSource& source : sources) {
    TDesktopCaptureMark& mark = *source.Mark;
    if (mark.Captured || source.Paused || source.Width <= 1 || source.Height <= 1) continue;
    const bool jpeg = source.Jpeg != nullptr && !source.Jpeg->empty();
    if (jpeg && mark.LastPicture && *mark.LastPicture == *source.Jpeg) continue;
    if (jpeg)
      mark.LastPicture = *source.Jpeg;
    else
      mark.LastPicture.reset();
    if (!frameWritten) {
      FFile->AppendFrame(FHost.Now());
      FFrameCount = FFile->FramesWritten();
      frameWritten = true;
    }
    FFile->AppendImage(0, source.Bounds, source.WindowId, source.Name,
                       jpeg ? std::string_view(*source.Jpeg) : std::string_view());
    ++FImageCount;
    mark.Captured = true;
  }
  if (!frameWritten) return;
  if (FHost.StatusText) {
    FHost.StatusText("Desktop Capture: " + std::to_string(FFrameCount) + " frame(s) and " +
                     std::to_string(FImageCount) + " image(s) into " + FFileName);
  }
  CheckLimits();
}

void TDesktopRecorder::CheckLimits() {
  if (FSettings.Count <= 0) return;
  bool clipEnds = false;
  switch (FSettings.ClipMode) {
    case TMultiCaptureSettings::Frames:
      clipEnds = --FFramesRemaining < 1;
      break;
    case TMultiCaptureSettings::Megabytes:
      clipEnds = FSettings.Count * kMegabyte <= FFile->BytesWritten();
      break;
    case TMultiCaptureSettings::Minutes:
      clipEnds = FHost.Now() - FClipStart >= std::chrono::minutes(FSettings.Count);
      break;
    default:
      break;
  }
  if (!clipEnds) return;
  CloseClip();
  if (FFilesRemaining > 0 && --FFilesRemaining < 1) return;
  StartClip();
}

void TDesktopRecorder::CloseClip() {
  if (FFile) {
    std::unique_ptr<TMultiCaptureWriter> file = std::move(FFile);
    file->Close();
  }
}

void TDesktopRecorder::Stop() {
  CloseClip();
}

void TDesktopRecorder::Abandon() {
  RethrowAfter([this] { Stop(); });
}

}  // namespace vexilon
