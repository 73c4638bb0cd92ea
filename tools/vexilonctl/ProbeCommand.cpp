#include "ProbeCommand.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "CommandLine.h"
#include "core/imaging/Picture.h"
#include "core/net/VideoThread.h"

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

const char* const kUsage =
    "usage: vexilonctl probe URL [options]\n"
    "Reads a camera's stream as a camera window does and reports the response head, every\n"
    "frame (number, bytes and, with --decode, its size) and the rate.\n"
    "  --frames N          stop after N frames\n"
    "  --seconds S         stop after S seconds (default 10)\n"
    "  --decode            decode every frame as a camera window does\n"
    "  --simple-get        send a plain request without the usual headers\n";

struct TProbeOptions {
  TCameraOptions Camera;
  long Frames = 0;  // 0: no limit
  double Seconds = 10;
  bool Decode = false;
  bool SimpleGet = false;
};

// Fills options from args; an error message when they are not usable.
std::string ParseOptions(const std::vector<std::string>& args, TProbeOptions& options) {
  TArguments parsed;
  const std::string error =
      SplitArguments(args,
                     TCameraOptions::WithOptions(
                         {{"--frames", 1}, {"--seconds", 1}, {"--decode", 0}, {"--simple-get", 0}}),
                     parsed);
  if (!error.empty()) return error;
  options.Decode = parsed.Has("--decode");
  options.SimpleGet = parsed.Has("--simple-get");
  if (parsed.Has("--frames")) {
    const std::string text = parsed.Value("--frames");
    const auto frames = WholeNumber(text, 1, 1000000000);
    if (!frames) return "--frames needs a whole number of at least 1, not '" + text + "'";
    options.Frames = *frames;
  }
  if (parsed.Has("--seconds")) {
    const std::string text = parsed.Value("--seconds");
    const auto seconds = Seconds(text);
    if (!seconds) return "--seconds needs a number above 0 (at most a day), not '" + text + "'";
    options.Seconds = *seconds;
  }
  return options.Camera.Read(parsed);
}

// Text with its line ends made plain, without the blank line that ends a head.
std::string PlainLines(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// Prints what the connection thread delivers and tells the main thread when to stop.
class TProbeSink : public TStreamSink {
 public:
  TProbeSink(long maxFrames, bool decode) : FMaxFrames(maxFrames), FDecode(decode) {}

  void Frame(std::string bytes) override {
    {
      // The page that comes with a refusal is no picture of the camera.
      std::lock_guard lock(FLock);
      if (FRefused) return;
    }
    std::string size;
    if (FDecode) {
      // Decoded as a camera window decodes a live picture.
      const TDecodedPicture picture = DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                    bytes.size(), {}, TJpegDecode::Fast);
      size = picture.Decoded()
                 ? " " + std::to_string(picture.Width) + "x" + std::to_string(picture.Height)
                 : " ?";
    }
    std::lock_guard lock(FLock);
    if (FDone) return;
    PrintHeadLocked();
    ++FFrames;
    FBytes += bytes.size();
    std::printf("frame %ld %zu%s\n", FFrames, bytes.size(), size.c_str());
    if (FMaxFrames > 0 && FFrames >= FMaxFrames) Finish();
  }
  void SetPageText(const std::string& text) override {
    std::lock_guard lock(FLock);
    FHead = text;
    const size_t lineEnd = text.find_first_of("\r\n");
    if (!text.starts_with("HTTP") || lineEnd == std::string::npos) return;
    const std::string statusLine = text.substr(0, lineEnd);
    const size_t blank = statusLine.find(' ');
    FRefused = blank != std::string::npos && statusLine.compare(blank + 1, 1, "2") != 0;
    if (FRefused && !FRefusalShown) {
      FRefusalShown = true;
      std::fprintf(stderr, "vexilonctl probe: the server answered %s\n", statusLine.c_str());
    }
  }
  void AddPageLine(const std::string& line) override {
    std::lock_guard lock(FLock);
    FHead += "\r\n" + line;
    std::fprintf(stderr, "vexilonctl probe: %s\n", line.c_str());
  }
  void ShowPageText(const std::string& text) override {
    std::lock_guard lock(FLock);
    std::fprintf(stderr, "vexilonctl probe: %s\n", text.c_str());
    // A server never reached is not worth waiting for; one that went away may come back.
    if (!FEverConnected) {
      FUnreachable = true;
      Finish();
    }
  }
  void WaveFormat(const TWaveFormat&) override {}
  void PlayAudio(const uint8_t*, size_t) override {}
  void Connected() override {
    std::lock_guard lock(FLock);
    FEverConnected = true;
    FRefused = false;
  }

  // Waits until the frames are complete, the server proved unreachable, or deadline.
  void Wait(TClock::time_point deadline) {
    std::unique_lock lock(FLock);
    FChanged.wait_until(lock, deadline, [&] { return FDone; });
    FDone = true;
  }
  void PrintHead() {
    std::lock_guard lock(FLock);
    PrintHeadLocked();
  }
  long Frames() {
    std::lock_guard lock(FLock);
    return FFrames;
  }
  size_t Bytes() {
    std::lock_guard lock(FLock);
    return FBytes;
  }
  bool Unreachable() {
    std::lock_guard lock(FLock);
    return FUnreachable;
  }

 private:
  void Finish() {
    FDone = true;
    FChanged.notify_all();
  }
  void PrintHeadLocked() {
    if (FHeadPrinted || FHead.empty()) return;
    FHeadPrinted = true;
    std::printf("%s\n\n", PlainLines(FHead).c_str());
  }

  const long FMaxFrames;
  const bool FDecode;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::string FHead;
  bool FHeadPrinted = false;
  bool FEverConnected = false;
  bool FRefused = false;  // the current response has a failure status
  bool FRefusalShown = false;
  bool FUnreachable = false;
  bool FDone = false;
  long FFrames = 0;
  size_t FBytes = 0;
};

}  // namespace

int RunProbeCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s%s", kUsage, kCameraOptionsHelp);
    return 0;
  }
  TProbeOptions options;
  if (const std::string error = ParseOptions(args, options); !error.empty())
    return UsageError("probe", error);
  TVideoConnect camera;
  camera.Web = options.Camera.Url;
  camera.Auth = options.Camera.Auth;
  camera.Flags = options.Camera.Format | (options.SimpleGet ? kSimpleGetFlag : 0);
  const TConnectConfig config = options.Camera.Config();

  auto sink = std::make_shared<TProbeSink>(options.Frames, options.Decode);
  const auto start = TClock::now();
  {
    TVideoThread thread(camera, sink, config);
    sink->Wait(start + std::chrono::duration_cast<TClock::duration>(
                           std::chrono::duration<double>(options.Seconds)));
  }
  const double seconds = std::chrono::duration<double>(TClock::now() - start).count();
  sink->PrintHead();
  const long frames = sink->Frames();
  std::printf("frames=%ld bytes=%zu seconds=%.3f fps=%.2f\n", frames, sink->Bytes(), seconds,
              seconds > 0 ? double(frames) / seconds : 0.0);
  std::fflush(stdout);
  if (frames == 0) {
    if (sink->Unreachable()) {
      std::fprintf(stderr, "vexilonctl probe: %s\n", options.Camera.UnreachableText().c_str());
    } else {
      std::fprintf(stderr, "vexilonctl probe: no frame arrived\n");
    }
  }
  return frames > 0 ? 0 : 1;
}

}  // namespace vexilon
