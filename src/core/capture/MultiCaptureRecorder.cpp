#include "core/capture/MultiCaptureRecorder.h"

#include <exception>

#include "core/app/RethrowAfter.h"
#include "core/capture/CaptureNames.h"
#include "core/capture/MultiCaptureWriter.h"
#include "core/imaging/Jpeg.h"

namespace vexilon {
namespace {

constexpr long long kMegabyte = 1048576;
// Frame record (20 bytes) and image record header (8) besides the image payload.
constexpr long long kRecordOverhead = 28;

}  // namespace

TMultiCaptureRecorder::TMultiCaptureRecorder(THost host) : FHost(std::move(host)) {}

TMultiCaptureRecorder::~TMultiCaptureRecorder() {
  try {
    Stop();
  } catch (...) {
  }
}

void TMultiCaptureRecorder::Start(const TMultiCaptureSettings& settings,
                                  const TFlashbackStore& flashback, const TRecordedPicture& picture,
                                  bool& resumed) {
  Stop();
  FSettings = settings;
  FFilesRemaining = settings.FileMode > 0 && settings.FileLimit > 0 ? settings.FileLimit : 0;
  StartClip();
  try {
    if (FFile) {
      // The frames kept from just before the start lead the file; they count towards no limit.
      for (const TFlashData& frame : flashback.Frames()) {
        int width = 0, height = 0;
        JpegSize(reinterpret_cast<const std::uint8_t*>(frame.Jpeg->data()), frame.Jpeg->size(),
                 width, height);
        WriteImage(*frame.Jpeg, width, height, frame.Time, false);
      }
    }
    FCapturing = true;
    FSuspended = false;
    if (Attempt(picture, resumed)) CheckLimits();
  } catch (...) {
    Abandon();
  }
}

void TMultiCaptureRecorder::StartClip() {
  FBytesWritten = 0;
  if (FSettings.Style == TMultiCaptureSettings::VmcFile) {
    const std::string path =
        NextNumberedFileName(FHost.CaptureFolder, FHost.BaseName, ".vmc", FFileCounter);
    auto file = std::make_unique<TMultiCaptureWriter>();
    file->Create(path, FHost.CaptionHeight);
    FFile = std::move(file);
    FFilePath = path;
    FFileName = path.substr(path.find_last_of('/') + 1);
    FBytesWritten = FFile->BytesWritten();
  }
  FCapturing = true;
  FSuspended = false;
  FClipStart = FHost.Now();
  FLastAttempt.reset();
  FFramesInFile = 0;
  FFramesRemaining = FSettings.ClipMode == TMultiCaptureSettings::Frames ? FSettings.Count : 0;
}

bool TMultiCaptureRecorder::PictureDue() const {
  return FCapturing && !FSuspended &&
         (!FLastAttempt ||
          FHost.Now() >= *FLastAttempt + std::chrono::milliseconds(FSettings.Delay));
}

void TMultiCaptureRecorder::NewPicture(const TRecordedPicture& picture, bool& resumed) {
  if (!FCapturing || !picture.Real()) return;
  const TClock::time_point now = FHost.Now();
  if (FLastAttempt && now < *FLastAttempt + std::chrono::milliseconds(FSettings.Delay)) return;
  FLastAttempt = now;
  try {
    if (Attempt(picture, resumed)) CheckLimits();
  } catch (...) {
    Abandon();
  }
}

bool TMultiCaptureRecorder::Attempt(const TRecordedPicture& picture, bool& resumed) {
  if (FSuspended) return false;
  const bool jpeg = picture.Jpeg != nullptr && !picture.Jpeg->empty();
  if (jpeg) {
    // A camera that sends the same picture again adds nothing.
    if (FLastRecorded && *FLastRecorded == *picture.Jpeg) return false;
    FLastRecorded = *picture.Jpeg;
  }
  if (FSettings.Style == TMultiCaptureSettings::JpegFiles) {
    if (FHost.SaveSingleCapture) FHost.SaveSingleCapture();
  } else if (FFile) {
    const std::string none;
    WriteImage(jpeg ? *picture.Jpeg : none, picture.Width, picture.Height, FHost.Now(), resumed);
    resumed = false;
    FLastRecordSize = kRecordOverhead + kImageHeaderBytes +
                      static_cast<long long>(FHost.BaseName.size()) +
                      static_cast<long long>(jpeg ? picture.Jpeg->size() : 0);
    if (FHost.StatusText) {
      FHost.StatusText("Captured frame " + std::to_string(FFramesInFile) +
                       " in file: " + FFileName);
    }
  }
  return true;
}

void TMultiCaptureRecorder::WriteImage(const std::string& jpeg, int width, int height,
                                       TClock::time_point time, bool brk) {
  ++FFramesInFile;
  FFile->AppendFrame(time);
  FFile->AppendImage(brk ? kImageBreak : 0, {0, 0, width + 2, height + FHost.CaptionHeight + 2},
                     FHost.WindowId, FHost.BaseName, jpeg);
}

void TMultiCaptureRecorder::CheckLimits() {
  if (FSettings.Style == TMultiCaptureSettings::VmcFile) FBytesWritten += FLastRecordSize;
  bool clipEnds = false;
  if (FSettings.Count > 0) {
    switch (FSettings.ClipMode) {
      case TMultiCaptureSettings::Frames:
        clipEnds = --FFramesRemaining <= 0;
        break;
      case TMultiCaptureSettings::Megabytes:
        clipEnds = FSettings.Style == TMultiCaptureSettings::VmcFile &&
                   FSettings.Count * kMegabyte <= FBytesWritten;
        break;
      case TMultiCaptureSettings::Minutes:
        clipEnds = FHost.Now() - FClipStart >= std::chrono::minutes(FSettings.Count);
        break;
      default:
        break;
    }
  }
  if (!clipEnds) return;
  Stop();
  if (FFilesRemaining > 0 && --FFilesRemaining <= 0) return;
  StartClip();
}

void TMultiCaptureRecorder::Stop() {
  FCapturing = false;
  FLastRecorded.reset();
  FSuspended = false;
  if (FFile) {
    std::unique_ptr<TMultiCaptureWriter> file = std::move(FFile);
    file->Close();
    if (FHost.FileClosed) FHost.FileClosed(FFilePath);
  }
}

void TMultiCaptureRecorder::Abandon() {
  RethrowAfter([this] { Stop(); });
}

}  // namespace vexilon
