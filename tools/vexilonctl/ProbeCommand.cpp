#include "ProbeCommand.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "core/imaging/Jpeg.h"
#include "core/net/HttpRequest.h"
#include "core/net/Url.h"
#include "core/net/VideoThread.h"

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

const char* const kUsage =
    "usage: vexilonctl probe URL [--format auto|vod|html|webcam32] [--frames N] [--seconds S]\n"
    "                            [--decode] [--auth USER:PASS] [--proxy HOST:PORT\n"
    "                            --proxy-type 1|2|3] [--simple-get]\n"
    "  --proxy-type 1 tunnels with CONNECT, 2 sends absolute addresses, 3 plain requests\n";

struct TProbeOptions {
  std::string Url;
  int Format = 0;
  long Frames = 0;  // 0: no limit
  double Seconds = 10;
  bool Decode = false;
  std::string Auth;
  std::string Proxy;
  int ProxyType = 0;
  bool SimpleGet = false;
};

int BadArguments(const std::string& message) {
  std::fprintf(stderr, "vexilonctl probe: %s\n%s", message.c_str(), kUsage);
  return 2;
}

std::optional<long> WholeNumber(const std::string& text, long low, long high) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) return std::nullopt;
  return value;
}

// Fills options from args; an error message when they are not usable.
std::string ParseOptions(const std::vector<std::string>& args, TProbeOptions& options) {
  bool proxyTypeGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--decode") {
      options.Decode = true;
    } else if (arg == "--simple-get") {
      options.SimpleGet = true;
    } else if (arg == "--format") {
      if (!value(text)) return "--format needs a value";
      if (text == "auto") {
        options.Format = 0;
      } else if (text == "vod") {
        options.Format = 2;
      } else if (text == "html") {
        options.Format = 4;
      } else if (text == "webcam32") {
        options.Format = 6;
      } else {
        return "unknown format '" + text + "' (auto, vod, html or webcam32)";
      }
    } else if (arg == "--frames") {
      if (!value(text)) return "--frames needs a number";
      const auto frames = WholeNumber(text, 1, 1000000000);
      if (!frames) return "--frames needs a whole number of at least 1, not '" + text + "'";
      options.Frames = *frames;
    } else if (arg == "--seconds") {
      if (!value(text)) return "--seconds needs a number";
      char* end = nullptr;
      options.Seconds = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || !(options.Seconds > 0) || options.Seconds > 86400) {
        return "--seconds needs a number above 0 (at most a day), not '" + text + "'";
      }
    } else if (arg == "--auth") {
      if (!value(options.Auth)) return "--auth needs USER:PASS";
      if (options.Auth.find(':') == std::string::npos) return "--auth needs USER:PASS";
    } else if (arg == "--proxy") {
      if (!value(options.Proxy) || options.Proxy.empty()) return "--proxy needs HOST:PORT";
    } else if (arg == "--proxy-type") {
      if (!value(text)) return "--proxy-type needs 1, 2 or 3";
      const auto type = WholeNumber(text, 1, 3);
      if (!type) return "--proxy-type needs 1, 2 or 3, not '" + text + "'";
      options.ProxyType = int(*type);
      proxyTypeGiven = true;
    } else if (arg.rfind("--", 0) == 0) {
      return "unknown option '" + arg + "'";
    } else if (options.Url.empty()) {
      options.Url = arg;
    } else {
      return "more than one URL ('" + options.Url + "' and '" + arg + "')";
    }
  }
  if (options.Url.empty()) return "no URL given";
  if (UrlHost(options.Url).empty()) {
    return "'" + options.Url + "' names no server (write it as http://host[:port]/path)";
  }
  if (!options.Proxy.empty() && !proxyTypeGiven) options.ProxyType = 1;
  if (proxyTypeGiven && options.Proxy.empty()) return "--proxy-type needs --proxy HOST:PORT";
  return {};
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
      TBitmap bitmap;
      const bool decoded =
          // Decoded as a camera window decodes a live picture.
          DecodeJpeg(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bitmap, 1,
                     TJpegDecode::Fast);
      size =
          decoded ? " " + std::to_string(bitmap.Width) + "x" + std::to_string(bitmap.Height) : " ?";
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
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  TProbeOptions options;
  if (const std::string error = ParseOptions(args, options); !error.empty()) {
    return BadArguments(error);
  }
  TVideoConnect camera;
  camera.Web = options.Url;
  camera.Auth = options.Auth;
  camera.Flags = options.Format | (options.SimpleGet ? kSimpleGetFlag : 0);

  TNetSettings settings;
  settings.Proxy = options.Proxy;
  settings.ProxyType = options.ProxyType;
  TConnectConfig config;
  config.Settings = [settings] { return settings; };

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
      const TConnectTarget target = ConnectTarget(options.Url, options.Proxy, options.ProxyType);
      std::fprintf(stderr, "vexilonctl probe: could not connect to %s%s:%d\n",
                   options.Proxy.empty() ? "" : "the proxy ", target.Host.c_str(), target.Port);
    } else {
      std::fprintf(stderr, "vexilonctl probe: no frame arrived\n");
    }
  }
  return frames > 0 ? 0 : 1;
}

}  // namespace vexilon
