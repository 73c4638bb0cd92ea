#include "ProbeCommand.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "CameraTarget.h"
#include "CameraWatch.h"
#include "CommandLine.h"
#include "MediaHandOver.h"
#include "RtspProbe.h"
#include "core/imaging/Picture.h"
#include "core/net/RtspAddress.h"
#include "core/net/TlsSession.h"
#include "core/text/JsonString.h"

namespace vexilon {
namespace {

const char* const kUsage =
    "usage: vexilonctl probe (URL | --entry PATH [--catalogue FILE]) [options]\n"
    "Reads a camera's stream as a camera window does and reports the response head, every\n"
    "frame (number, bytes and, with --decode, its size) and the rate. Read as auto, a vod or\n"
    "webcam32 stream is recognised by its first bytes. A camera that answers 401, 403 or 404\n"
    "ends the probe at once. An rtsp:// camera is reported by its codec, size and rate, and\n"
    "every picture by its bytes and time stamp.\n"
    "  --frames N          stop after N frames\n"
    "  --seconds S         stop after S seconds (default 10)\n"
    "  --decode            decode every frame as a camera window does\n"
    "  --simple-get        send a plain request without the usual headers\n"
    "  --trust SHA256      https://: accept the certificate of this fingerprint\n"
    "                      (AB:CD:...) though nothing else trusts it\n"
    "  --udp               RTSP: RTP over UDP instead of RTSP over TCP (default: the\n"
    "                      entry's choice, else TCP)\n"
    "  --json              one JSON object a line: {\"type\":\"frame\",...} for every frame,\n"
    "                      then {\"type\":\"summary\",...}\n";

struct TProbeOptions {
  TCameraTarget Target;
  long Frames = 0;  // 0: no limit
  double Seconds = 10;
  bool Decode = false;
  bool Json = false;
  bool Udp = false;
};

// Fills options from args; an error message when they are not usable.
std::string ParseOptions(const std::vector<std::string>& args, TProbeOptions& options) {
  TArguments parsed;
  const std::string error = SplitArguments(args,
                                           TCameraTarget::WithOptions({{"--frames", 1},
                                                                       {"--seconds", 1},
                                                                       {"--decode", 0},
                                                                       {"--simple-get", 0},
                                                                       {"--json", 0},
                                                                       {"--udp", 0},
                                                                       {"--trust", 1}}),
                                           parsed);
  if (!error.empty()) return error;
  options.Decode = parsed.Has("--decode");
  options.Json = parsed.Has("--json");
  options.Udp = parsed.Has("--udp");
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
  if (const std::string target = options.Target.Read(parsed); !target.empty()) return target;
  if (parsed.Has("--simple-get")) options.Target.Video.Flags |= kSimpleGetFlag;
  if (parsed.Has("--trust")) {
    const std::string text = parsed.Value("--trust");
    if (!IsFingerprint(text))
      return "--trust needs a SHA-256 fingerprint (AB:CD:... 32 pairs), not '" + text + "'";
    options.Target.Video.CertPin = text;
  }
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

// How a frame decodes as a camera window decodes a live picture: a JPEG by a decoder kept
// for the stream, into pixels the painter takes as they are, in a buffer used again; the
// size is the picture's, width 0 when it does not decode.
struct TFrameSize {
  int Width = 0, Height = 0;
  bool Decoded() const { return Width > 0; }
};
TFrameSize Decoded(const std::string& bytes) {
  static TJpegDecoder decoder;
  static std::vector<std::uint8_t> pixels;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  TFrameSize size;
  if (decoder.ReadSize(data, bytes.size(), size.Width, size.Height)) {
    const TPixelAllocator allocate = [](int width, int height) {
      pixels.resize(std::size_t(width) * std::size_t(height) * 4);
      return TPixelTarget{pixels.data(), std::size_t(width) * 4};
    };
    int width = 0, height = 0;
    if (!decoder.Decode(data, bytes.size(), TPixelLayout::Xrgb32, 1, TJpegDecode::Fast, allocate,
                        width, height))
      size = {};
    return size;
  }
  const TDecodedPicture picture = DecodePicture(data, bytes.size());
  if (picture.Decoded()) size = {picture.Width, picture.Height};
  return size;
}

// Prints the head once, before the first frame or the summary.
class THeadPrinter {
 public:
  void Print(const std::string& head) {
    if (FPrinted || head.empty()) return;
    FPrinted = true;
    std::printf("%s\n\n", PlainLines(head).c_str());
  }

 private:
  bool FPrinted = false;
};

void PrintFrameJson(long number, const std::string& bytes, bool decode) {
  std::printf("{\"type\":\"frame\",\"number\":%ld,\"bytes\":%zu", number, bytes.size());
  if (decode) {
    const TFrameSize picture = Decoded(bytes);
    if (picture.Decoded())
      std::printf(",\"decoded\":true,\"width\":%d,\"height\":%d", picture.Width, picture.Height);
    else
      std::printf(",\"decoded\":false");
  }
  std::printf("}\n");
}

void PrintFrameText(long number, const std::string& bytes, bool decode) {
  std::string size;
  if (decode) {
    const TFrameSize picture = Decoded(bytes);
    size = picture.Decoded()
               ? " " + std::to_string(picture.Width) + "x" + std::to_string(picture.Height)
               : " ?";
  }
  std::printf("frame %ld %zu%s\n", number, bytes.size(), size.c_str());
}

void PrintSummary(const TWatchResult& result, bool json) {
  const double fps = result.Seconds > 0 ? double(result.Frames) / result.Seconds : 0.0;
  if (!json) {
    std::printf("frames=%ld bytes=%zu seconds=%.3f fps=%.2f format=%s\n", result.Frames,
                result.Bytes, result.Seconds, fps, FormatName(result.Format));
    return;
  }
  std::printf(
      "{\"type\":\"summary\",\"status\":%d,\"head\":%s,\"format\":\"%s\",\"frames\":%ld,"
      "\"bytes\":%zu,\"seconds\":%.3f,\"fps\":%.2f%s,\"error\":%s}\n",
      result.Status, JsonString(result.Head).c_str(), FormatName(result.Format), result.Frames,
      result.Bytes, result.Seconds, fps,
      result.Certificate.empty() ? ""
                                 : (",\"certificate\":" + JsonString(result.Certificate)).c_str(),
      result.Failure.empty() ? "null" : JsonString(result.Failure).c_str());
}

}  // namespace

int RunProbeCommand(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s%s%s", kUsage, kEntryOptionsHelp, kCameraOptionsHelp);
    return 0;
  }
  TProbeOptions options;
  if (const std::string error = ParseOptions(args, options); !error.empty())
    return UsageError("probe", error);
  if (const std::string failure = options.Target.Load(); !failure.empty()) return Failure(failure);
  if (const std::string address = options.Target.Video.Prefix + options.Target.Video.Web;
      IsRtspAddress(address)) {
#ifdef VEXILON_MEDIA
    // An entry keeps its own transport; --udp asks for UDP whatever the entry says.
    const bool udp = options.Udp || options.Target.Video.RtspUdp;
    return RunRtspProbe({RtspUrlWithAuth(address, options.Target.Video.Auth), options.Frames,
                         options.Seconds, options.Decode, options.Json, !udp});
#else
    return HandOverToMediaTool("Reading an RTSP camera");
#endif
  }

  THeadPrinter head;
  TProbeSink::THandlers handlers;
  handlers.Frame = [&, json = options.Json, decode = options.Decode](
                       long number, const std::string& bytes, const std::string& text) {
    if (json) {
      PrintFrameJson(number, bytes, decode);
    } else {
      head.Print(text);
      PrintFrameText(number, bytes, decode);
    }
  };
  handlers.Note = [](const std::string& line) {
    std::fprintf(stderr, "vexilonctl probe: %s\n", line.c_str());
  };
  auto sink = std::make_shared<TProbeSink>(options.Frames, handlers);
  const TWatchResult result = WatchCamera(options.Target, sink, options.Seconds);
  if (!options.Json) head.Print(result.Head);
  if (!options.Json && !result.Certificate.empty())
    std::printf("certificate sha256=%s\n", result.Certificate.c_str());
  PrintSummary(result, options.Json);
  std::fflush(stdout);
  if (!result.Failure.empty())
    std::fprintf(stderr, "vexilonctl probe: %s\n", result.Failure.c_str());
  return result.Failure.empty() ? 0 : 1;
}

}  // namespace vexilon
