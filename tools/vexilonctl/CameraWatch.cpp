#include "CameraWatch.h"

#include "FramingPeek.h"
#include "core/net/CameraState.h"
#include "core/net/VideoThread.h"

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

std::string FailureText(const TWatchResult& result, const TCameraTarget& target) {
  if (result.Refusal == 401 && target.Video.Auth.empty()) {
    // An entry gets its credentials where the viewer's words say; a URL from the option.
    return target.Entry.empty()
               ? "the camera asks for a user name and password (401): give --auth USER:PASS"
               : StatusWords(401, true);
  }
  if (result.Refusal != 0) return StatusWords(result.Refusal, false);
  if (result.Untrusted) {
    return target.Video.CertPin.empty()
               ? "the camera's certificate is not trusted (" + result.Why + "): give --trust " +
                     result.Certificate
               : "the camera's certificate has changed (it was trusted as " + target.Video.CertPin +
                     "): give --trust " + result.Certificate;
  }
  if (result.Unreachable) return target.Camera.UnreachableText();
  return "no frame arrived";
}

}  // namespace

const char* FormatName(int format) {
  switch (StreamFormatOf(format)) {
    case TStreamFormat::Vod:
      return "vod";
    case TStreamFormat::Html:
      return "html";
    case TStreamFormat::Webcam32:
      return "webcam32";
    case TStreamFormat::Auto:
      break;
  }
  return "auto";
}

TWatchResult WatchCamera(const TCameraTarget& target, const std::shared_ptr<TProbeSink>& sink,
                         double seconds) {
  const std::unique_ptr<TVideoConnect> copy = CopyConnect(target.Video);
  TVideoConnect& camera = *copy;
  TConnectConfig config = target.Camera.Config();
  if (StreamFormatOf(camera.Flags) == TStreamFormat::Auto) {
    config.CaptureOutput = std::make_shared<TFramingPeek>(
        [sink](TSniffedFraming found) { sink->FramingFound(found); });
  }
  const auto start = TClock::now();
  const auto deadline =
      start + std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(seconds));
  TSniffedFraming found;
  {
    TVideoThread thread(camera, sink, config);
    found = sink->Wait(deadline);
  }
  if (found != TSniffedFraming::Other) {
    camera.Flags = WithStreamFormat(camera.Flags, TStreamFormat(found));
    config.CaptureOutput = nullptr;
    sink->Restart();
    TVideoThread thread(camera, sink, config);
    sink->Wait(deadline);
  }
  TWatchResult result;
  static_cast<TProbeSink::TResult&>(result) = sink->Result();
  result.Seconds = std::chrono::duration<double>(TClock::now() - start).count();
  result.Format = camera.Flags & kFormatMask;
  if (result.Frames == 0) result.Failure = FailureText(result, target);
  return result;
}

}  // namespace vexilon
