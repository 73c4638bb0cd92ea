#include "RecordSink.h"

#include <cstdio>
#include <exception>

#include "core/app/AtomicFile.h"
#include "core/capture/CaptureNames.h"
#include "core/capture/Flashback.h"
#include "core/imaging/Picture.h"

namespace vexilon {

TRecordSink::TRecordSink(TSetup setup) : FSetup(std::move(setup)), FRecorder(Host()) {}

TMultiCaptureRecorder::THost TRecordSink::Host() {
  TMultiCaptureRecorder::THost host;
  host.CaptureFolder = FSetup.Folder;
  host.BaseName = FSetup.Name;
  host.WindowId = 1;  // the first camera window of a run
  host.CaptionHeight = FSetup.CaptionHeight;
  // The recorder calls these under FLock, from Frame or Finish.
  host.SaveSingleCapture = [this] { SaveSingleCapture(); };
  host.StatusText = [this](const std::string&) { ++FRecorded; };
  host.FileClosed = [this](const std::string& path) { Closed(path); };
  return host;
}

void TRecordSink::Frame(std::string bytes) {
  if (FSetup.Html) {
    std::lock_guard lock(FLock);
    ++FReceived;
    return;
  }
  // Decoded as a camera window decodes it, though only as small as tells whether it decodes:
  // nothing is shown here.
  TDecodedPicture picture = DecodePicture(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), [](int, int) { return 8; },
      TJpegDecode::Fast);
  std::lock_guard lock(FLock);
  ++FReceived;
  if (FOver || !picture.Decoded()) return;
  const bool jpeg = picture.Format == TPictureFormat::Jpeg;
  FJpeg = jpeg ? std::move(bytes) : std::string();
  FBitmap = jpeg ? TBitmap() : std::move(picture.Bitmap);
  const TRecordedPicture recorded{picture.Width, picture.Height, &FJpeg};
  try {
    if (!FStarted) {
      // As the window's user would, the recording starts once there is a picture to record.
      if (!recorded.Real()) return;
      FStarted = true;
      FRecorder.Start(FSetup.Settings, TFlashbackStore(), recorded, FResumed);
    } else {
      FRecorder.NewPicture(recorded, FResumed);
    }
    if (!FRecorder.Capturing()) FOver = true;  // the last clip has ended
  } catch (const std::exception& e) {
    EndWith(e.what());
  }
  FChanged.notify_all();
}

void TRecordSink::SetPageText(const std::string& text) {
  const std::size_t lineEnd = text.find_first_of("\r\n");
  if (!text.starts_with("HTTP") || lineEnd == std::string::npos) return;
  const std::string statusLine = text.substr(0, lineEnd);
  const std::size_t blank = statusLine.find(' ');
  const bool refused = blank != std::string::npos && statusLine.compare(blank + 1, 1, "2") != 0;
  std::lock_guard lock(FLock);
  // A camera that refuses before anything was recorded will not change its mind for retries.
  if (refused && !FStarted) EndWith("vexilonctl record: the server answered " + statusLine);
}

void TRecordSink::ShowPageText(const std::string&) {
  std::lock_guard lock(FLock);
  // A server never reached is not worth waiting for; one that went away may come back.
  if (!FEverConnected) EndWith({});
}

void TRecordSink::Connected() {
  std::lock_guard lock(FLock);
  FEverConnected = true;
}

bool TRecordSink::Over() {
  std::lock_guard lock(FLock);
  return FOver;
}

void TRecordSink::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(FLock);
  FChanged.wait_for(lock, timeout, [&] { return FOver; });
  if (FSetup.Status && TClock::now() - FLastDraw >= std::chrono::milliseconds(500)) DrawStatus();
}

int TRecordSink::Finish(const std::string& unreachable) {
  std::lock_guard lock(FLock);
  try {
    FRecorder.Stop();
  } catch (const std::exception& e) {
    if (FError.empty()) FError = e.what();
  }
  ClearStatus();
  if (!FError.empty()) {
    std::fprintf(stderr, "%s\n", FError.c_str());
    return 1;
  }
  if (FOver && !FStarted) {
    std::fprintf(stderr, "vexilonctl record: %s\n", unreachable.c_str());
    return 1;
  }
  if (!FStarted) {
    std::fprintf(stderr, "vexilonctl record: no picture arrived; nothing was recorded\n");
    return 1;
  }
  return 0;
}

void TRecordSink::SaveSingleCapture() {
  const std::string path =
      NextNumberedFileName(FSetup.Folder, FSetup.Name, ".jpg", FCaptureCounter);
  // A picture that did not come as JPEG is encoded on the way out, as a camera window does.
  const std::string bytes = FJpeg.empty() ? EncodeJpeg(FBitmap, 90) : FJpeg;
  if (bytes.empty()) throw EFileWrite(path + " was not written: there is no picture to capture.");
  WriteFileAtomically(path, bytes);
  ++FRecorded;
  Closed(path);
}

void TRecordSink::Closed(const std::string& path) {
  ClearStatus();
  std::printf("%s\n", path.c_str());
  std::fflush(stdout);
}

void TRecordSink::DrawStatus() {
  const TClock::time_point now = TClock::now();
  const double seconds = std::chrono::duration<double>(now - FLastDraw).count();
  const double rate = seconds > 0 ? double(FReceived - FReceivedAtDraw) / seconds : 0;
  FLastDraw = now;
  FReceivedAtDraw = FReceived;
  const std::string& file = FRecorder.FileName();
  std::fprintf(stderr, "\r\033[K%ld frames, %ld recorded, %lld bytes in %s, %.1f frames/s",
               FReceived, FRecorded, FRecorder.BytesWritten(),
               file.empty() ? "(no file yet)" : file.c_str(), rate);
  std::fflush(stderr);
  FStatusShown = true;
}

void TRecordSink::ClearStatus() {
  if (!FStatusShown) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  FStatusShown = false;
}

void TRecordSink::EndWith(std::string error) {
  if (FOver) return;
  FOver = true;
  FError = std::move(error);
  FChanged.notify_all();
}

}  // namespace vexilon
