#include "RecordCommand.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <mutex>
#include <utility>

#include "CommandLine.h"
#include "MediaHandOver.h"
#include "RecordSink.h"
#include "VmcCommand.h"
#include "core/app/ProgramPath.h"
#include "core/capture/MultiCaptureSettings.h"
#include "core/net/RtspAddress.h"
#include "core/net/Url.h"
#include "core/net/VideoThread.h"
#ifdef VEXILON_MEDIA
#include "core/rtsp/RtspThread.h"
#endif

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

const char* const kUsage =
    "usage: vexilonctl record URL [options]\n"
    "Records a camera as a camera window's multi-capture does: a picture at most every delay,\n"
    "none that repeats the one before, clip after clip up to the limits, every JPEG byte as\n"
    "received. Each file is printed when it is complete; on a terminal a status line shows\n"
    "the frames, bytes, current file and rate. SIGINT or SIGTERM ends the current file with\n"
    "its end mark. Pages of an html camera are not pictures and are not recorded. The\n"
    "pictures of an rtsp:// camera are decoded and recorded as JPEG files of quality 90.\n"
    "  --name NAME         the camera's name, which files are named after (default: its host)\n"
    "  --delay MS          least milliseconds between two recorded pictures (default 250)\n"
    "  --clip frames|mb|minutes --count N\n"
    "                      ends each clip (file) after N frames, megabytes or minutes\n"
    "                      (default: one clip without limit)\n"
    "  --files N           stops after N clips (default: clips go on without end)\n"
    "  --style vmc|jpg     one multi-capture file per clip (default) or numbered JPEG files\n"
    "  --seconds S         stops after S seconds (default: when stopped or the limits say)\n"
    "  --out FOLDER        where the files go (default: CAPTURE in the program folder)\n"
    "  --caption-height H  caption height stored in the files (default 22)\n";

volatile std::sig_atomic_t gStopSignal = 0;

void OnStopSignal(int) {
  gStopSignal = 1;
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

struct TRecordOptions {
  TCameraOptions Camera;
  TRecordSink::TSetup Setup;
  double Seconds = 0;  // 0: no time limit
};

std::string ParseOptions(const std::vector<std::string>& args, TRecordOptions& options) {
  TArguments parsed;
  std::string error = SplitArguments(args,
                                     TCameraOptions::WithOptions({{"--name", 1},
                                                                  {"--delay", 1},
                                                                  {"--clip", 1},
                                                                  {"--count", 1},
                                                                  {"--files", 1},
                                                                  {"--style", 1},
                                                                  {"--seconds", 1},
                                                                  {"--out", 1},
                                                                  {"--caption-height", 1}}),
                                     parsed);
  if (!error.empty()) return error;
  if (error = options.Camera.Read(parsed); !error.empty()) return error;
  TRecordSink::TSetup& setup = options.Setup;
  // An unsaved user setting button: 250 ms, no limits, one multi-capture file.
  setup.Settings = ParseUserSettings("");
  TMultiCaptureSettings& settings = setup.Settings;
  if (parsed.Has("--delay")) {
    const auto delay = WholeNumber(parsed.Value("--delay"), 0, 99999999);
    if (!delay) return "--delay needs milliseconds from 0 to 99999999";
    settings.Delay = int(*delay);
  }
  if (parsed.Has("--clip") != parsed.Has("--count")) return "--clip and --count go together";
  if (parsed.Has("--clip")) {
    const std::string clip = parsed.Value("--clip");
    settings.ClipMode = clip == "frames"    ? TMultiCaptureSettings::Frames
                        : clip == "mb"      ? TMultiCaptureSettings::Megabytes
                        : clip == "minutes" ? TMultiCaptureSettings::Minutes
                                            : -1;
    if (settings.ClipMode < 0) return "--clip needs frames, mb or minutes, not '" + clip + "'";
    const auto count = WholeNumber(parsed.Value("--count"), 1, 10000);
    if (!count) return "--count needs a number from 1 to 10000";
    settings.Count = int(*count);
  }
  if (parsed.Has("--files")) {
    const auto files = WholeNumber(parsed.Value("--files"), 1, 10000);
    if (!files) return "--files needs a number from 1 to 10000";
    settings.FileMode = 1;
    settings.FileLimit = int(*files);
  }
  if (parsed.Has("--style")) {
    const std::string style = parsed.Value("--style");
    if (style != "vmc" && style != "jpg") return "--style needs vmc or jpg, not '" + style + "'";
    settings.Style =
        style == "jpg" ? TMultiCaptureSettings::JpegFiles : TMultiCaptureSettings::VmcFile;
  }
  if (parsed.Has("--seconds")) {
    const auto seconds = Seconds(parsed.Value("--seconds"));
    if (!seconds) return "--seconds needs a number above 0 (at most a day)";
    options.Seconds = *seconds;
  }
  if (parsed.Has("--caption-height")) {
    const auto height = WholeNumber(parsed.Value("--caption-height"), 0, 1000);
    if (!height) return "--caption-height needs a number from 0 to 1000";
    setup.CaptionHeight = int(*height);
  }
  setup.Name = parsed.Value("--name", UrlHost(options.Camera.Url));
  setup.Folder = parsed.Has("--out") ? parsed.Value("--out") : ExpandProgramPath("./CAPTURE");
  if (setup.Folder.empty()) return "--out needs a folder";
  setup.Html = options.Camera.Format == 4;
  return {};
}

#ifdef VEXILON_MEDIA
// An RTSP camera's decoded pictures go to the recording as JPEG files, as an HTTP camera's
// frames do as they come.
class TRtspRecordFeed : public TPictureSink {
 public:
  explicit TRtspRecordFeed(std::shared_ptr<TRecordSink> sink) : FSink(std::move(sink)) {}
  void Picture(const TRtspPicture& picture, const TRtspPacket&) override {
    if (std::exchange(FFirst, false)) FSink->Connected();
    std::string jpeg = EncodeJpeg(picture.Pixels.data(), picture.Width, picture.Height,
                                  TPixelLayout::Xrgb32, kRtspJpegQuality);
    if (!jpeg.empty()) FSink->Frame(std::move(jpeg));
  }
  void State(const std::string& reason, TClock::time_point nextTry) override {
    // A failure (it has a next try) before any picture: the camera is not worth waiting for.
    if (nextTry == TClock::time_point()) return;
    {
      std::lock_guard lock(FLock);
      FReason = reason;
    }
    FSink->ShowPageText(reason);
  }
  std::string Reason() {
    std::lock_guard lock(FLock);
    return FReason;
  }

 private:
  std::shared_ptr<TRecordSink> FSink;
  bool FFirst = true;
  std::mutex FLock;
  std::string FReason;
};

#endif

// Records until a signal, the time limit or the recording's own limits end it.
template <class TStalled>
void RunUntilOver(TRecordSink& sink, double seconds, TStalled&& stalled) {
  const auto start = TClock::now();
  auto nextCheck = start + std::chrono::seconds(1);
  while (gStopSignal == 0 && !sink.Over()) {
    const auto now = TClock::now();
    if (seconds > 0 && now - start >= std::chrono::duration<double>(seconds)) break;
    // As a desktop window's timer does for its camera windows, once a second.
    if (now >= nextCheck) {
      stalled();
      nextCheck += std::chrono::seconds(1);
    }
    sink.Wait(std::chrono::milliseconds(100));
  }
}

}  // namespace

int RunRecordCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s%s", kUsage, kCameraOptionsHelp);
    return 0;
  }
  TRecordOptions options;
  options.Setup.CaptionHeight = kDefaultCaptionHeight;
  if (const std::string error = ParseOptions(args, options); !error.empty())
    return UsageError("record", error);
#ifndef VEXILON_MEDIA
  if (IsRtspAddress(options.Camera.Url)) return HandOverToMediaTool("Reading an RTSP camera");
#endif
  options.Setup.Status = ::isatty(STDERR_FILENO) != 0;
  CatchStopSignals();

  TVideoConnect camera;
  camera.Web = options.Camera.Url;
  camera.Auth = options.Camera.Auth;
  camera.Flags = options.Camera.Format;
  auto sink = std::make_shared<TRecordSink>(options.Setup);
#ifdef VEXILON_MEDIA
  if (IsRtspAddress(camera.Web)) {
    // The thread keeps its own schedule; a stalled stream ends at its time-out.
    const std::string url = RtspUrlWithAuth(camera.Web, camera.Auth);
    auto feed = std::make_shared<TRtspRecordFeed>(sink);
    TRtspThread thread({{url, true, std::chrono::seconds(10)}, std::chrono::seconds(1), nullptr},
                       feed);
    RunUntilOver(*sink, options.Seconds, [] {});
    thread.Stop();
    return sink->Finish(RtspUrlForDisplay(url) + ": " + feed->Reason());
  }
#endif
  {
    TVideoThread thread(camera, sink, options.Camera.Config());
    RunUntilOver(*sink, options.Seconds, [&thread] {
      if (thread.IsStalled()) thread.RequestRestart();
    });
    thread.Stop();
  }
  return sink->Finish(options.Camera.UnreachableText());
}

}  // namespace vexilon
