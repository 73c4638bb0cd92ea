#include "Service.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "Chaos.h"
#include "Framing.h"
#include "Peer.h"
#include "Proxy.h"
#include "Replies.h"
#include "Request.h"
#include "Sound.h"
#include "StreamLoop.h"
#include "core/net/Base64.h"

namespace vexilon::camsim {
namespace {

constexpr int kScenes = 8;

struct TRoute {
  const char* Path;
  int Kind;            // TService::TKind
  const char* Preset;  // query options the path implies; the request's own come first
};

}  // namespace

TService::TService(const TOptions& options, int ownPort)
    : FOptions(options),
      FOwnPort(ownPort),
      FStarted(std::chrono::steady_clock::now()),
      FFrames(int(std::lround(options.Fps * options.LoopSeconds)), options.Quality) {}

void TService::Serve(TPeer& peer) {
  std::string head, rest, error;
  int status = 0;
  if (!ReadRequestHead(peer, head, rest, status)) {
    if (status != 0) SendStatus(peer, status, "the request did not come whole");
    return;
  }
  TRequest request;
  if (!ParseRequest(head, request, error)) return SendStatus(peer, 400, error);
  if (request.Method == "CONNECT") return Tunnel(peer, request, rest);

  // A request that names another server's port is a proxy request; a Host line without a
  // port means the upstream server, or camsim itself.
  const bool named = request.Absolute || !request.Header("Host").empty();
  const int port = request.Port != 0        ? request.Port
                   : FOptions.Upstream != 0 ? FOptions.Upstream
                                            : FOwnPort;
  if (named && port != FOwnPort) return Forward(peer, request, rest, port);
  ServeLocal(peer, request);
}

bool TService::Resolve(TRequest& request, TKind& kind) const {
  static const TRoute kRoutes[] = {
      {"/push", int(TKind::Push), ""},         {"/tagged", int(TKind::Tagged), ""},
      {"/vod", int(TKind::Vod), ""},           {"/cam32", int(TKind::Webcam32), ""},
      {"/still.jpg", int(TKind::Still), ""},   {"/page.html", int(TKind::Page), ""},
      {"/htmlpush", int(TKind::HtmlPush), ""}, {"/sound.au", int(TKind::Sound), ""},
  };
  static const TRoute kDemoRoutes[] = {
      {"/lobby/video.mjpg", int(TKind::Push), "scene=0"},
      {"/entrance/video.mjpg", int(TKind::Tagged), "sound&scene=1"},
      {"/gate/vod", int(TKind::Vod), "scene=2"},
      {"/carpark/still.jpg", int(TKind::Still), "scene=3"},
      {"/pond/cam32", int(TKind::Webcam32), "scene=4"},
      {"/weather/page.html", int(TKind::Page), ""},
      {"/flaky/video.mjpg", int(TKind::Push), "nolength&close=100&scene=5"},
      {"/reception/video.mjpg", int(TKind::Push), "scene=6"},
      {"/reception/sound.au", int(TKind::Sound), "ulaw"},
  };
  const TRoute* found = nullptr;
  for (const TRoute& route : kRoutes) {
    if (request.Path == route.Path) found = &route;
  }
  for (const TRoute& route : kDemoRoutes) {
    if (FOptions.Demo && request.Path == route.Path) found = &route;
  }
  if (found == nullptr) return false;
  kind = TKind(found->Kind);
  TRequest preset;
  std::string error;
  ParseRequest(std::string("GET /?") + found->Preset + " HTTP/1.0\r\n\r\n", preset, error);
  for (const auto& item : preset.Query) {
    if (!request.Has(item.first)) request.Query.push_back(item);
  }
  return true;
}

bool TService::Authorized(const TRequest& request) const {
  const std::string wanted = request.Has("auth") ? request.Param("auth") : FOptions.Auth;
  if (wanted.empty()) return true;
  const std::string given = request.Header("Authorization");
  const std::size_t blank = given.find(' ');
  if (blank == std::string::npos) return false;
  std::string scheme = given.substr(0, blank);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), ::tolower);
  std::string credentials = given.substr(blank + 1);
  credentials.erase(0, credentials.find_first_not_of(' '));
  return scheme == "basic" && credentials == EncodeBase64(wanted);
}

void TService::ServeLocal(TPeer& peer, TRequest& request) {
  TKind kind;
  if (!Resolve(request, kind)) {
    return SendStatus(peer, 404, "camsim serves no " + request.Path + " (see camsim --help)");
  }
  if (request.Method != "GET") {
    return SendStatus(peer, 405, "camsim answers GET only", "Allow: GET, CONNECT\r\n");
  }
  if (request.Has("digest")) {
    TDigestAsk ask;
    std::string error;
    if (!TDigestAsk::From(request, ask, error)) return SendStatus(peer, 400, error);
    if (const std::string challenge = FDigest.Check(request, ask); !challenge.empty()) {
      return SendStatus(peer, 401, "this camera wants a user name and password", challenge);
    }
  } else if (!Authorized(request)) {
    return SendStatus(peer, 401, "this camera wants a user name and password",
                      "WWW-Authenticate: Basic realm=\"camsim\"\r\n");
  }
  if (request.Has("status")) {
    const long code = request.Number("status", 0, 0, 999);
    if (code < 100 || code > 599)
      return SendStatus(peer, 400, "status wants a code from 100 to 599");
    return SendStatus(peer, int(code), "camsim was asked for this status");
  }
  switch (kind) {
    case TKind::Page:
    case TKind::HtmlPush:
      return ServePages(peer, request, kind);
    case TKind::Sound:
      return ServeSound(peer, request);
    default:
      return ServePictures(peer, request, kind);
  }
}

namespace {

// The picture with a comment segment after its start marker holding the monotonic clock's
// nanoseconds as it leaves, in decimal digits, for a viewer on this machine to time frames.
TFrameLibrary::TFrame StampedFrame(const std::string& jpeg) {
  const std::string digits = std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                std::chrono::steady_clock::now().time_since_epoch())
                                                .count());
  const std::size_t length = digits.size() + 2;
  std::string out = jpeg.substr(0, 2) + "\xFF\xFE" + char(length >> 8) + char(length & 0xFF) +
                    digits + jpeg.substr(std::min<std::size_t>(2, jpeg.size()));
  return std::make_shared<const std::string>(std::move(out));
}

}  // namespace

std::uint64_t TService::ClockFrame(double fps) const {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - FStarted;
  return std::uint64_t(elapsed.count() * fps);
}

void TService::ServePictures(TPeer& peer, const TRequest& request, TKind kind) {
  int width = FOptions.Width, height = FOptions.Height;
  if (request.Has("size") && !ParseSize(request.Param("size"), width, height)) {
    return SendStatus(peer, 400,
                      "size wants WxH, each side from 16 to " + std::to_string(kMaxSide));
  }
  const int scene = int(request.Number("scene", 0, 0, kScenes - 1));
  if (kind == TKind::Still) return ServeStill(peer, request, scene, width, height);

  TStreamPlan plan;
  plan.PartsPerSecond = double(request.Number("fps", long(FOptions.Fps), 1, 100));
  plan.FirstNumber = ClockFrame(plan.PartsPerSecond);
  if (!FFrames.Frame(scene, width, height, plan.FirstNumber)) {
    return SendStatus(peer, 503, "too many picture sizes in use at once");
  }
  std::unique_ptr<TFraming> framing;
  switch (kind) {
    case TKind::Tagged:
      framing = MakeTaggedFraming();
      plan.Sound = request.Has("sound");
      break;
    case TKind::Vod:
      framing = MakeVodFraming();
      break;
    case TKind::Webcam32:
      framing = MakeWebcam32Framing(!request.Has("nohead"));
      break;
    default:
      framing = MakePushFraming("camsimframe", "image/jpeg", !request.Has("nolength"));
      break;
  }
  plan.Framing = framing.get();
  plan.Faults = TFaults::From(request);
  if (request.Has("chaos")) {
    // Until calm=SECONDS after camsim started (for ever without it), each connection draws
    // its own fault, and says which on camsim's output.
    const long calm = request.Number("calm", -1, 0, 1L << 30);
    if (calm < 0 || std::chrono::steady_clock::now() - FStarted < std::chrono::seconds(calm)) {
      const TChaos chaos =
          DrawChaos(std::uint64_t(request.Number("chaos", 1, 0, 1L << 40)), FChaosDraws++);
      std::printf("camsim chaos %s\n", ChaosName(chaos.Kind));
      std::fflush(stdout);
      switch (chaos.Kind) {
        case TChaos::TKind::Refuse:
          return;
        case TChaos::TKind::Status:
          return SendStatus(peer, chaos.Status, "camsim chaos");
        case TChaos::TKind::Healthy:
        case TChaos::TKind::Close:
          plan.Faults.Close = chaos.Parts;
          break;
        case TChaos::TKind::Stall:
          plan.Faults.Stall = chaos.Parts;
          break;
        case TChaos::TKind::Garbage:
          plan.Faults.Garbage = true;
          break;
        case TChaos::TKind::Endless:
          plan.Faults.Endless = chaos.Parts;
          break;
        case TChaos::TKind::Huge:
          plan.Faults.Huge = chaos.Parts;
          break;
        case TChaos::TKind::Trickle:
          plan.PartsPerSecond = 1;
          plan.Faults.Close = chaos.Parts;
          break;
      }
    }
  }
  const bool stamp = request.Has("stamp");
  plan.Payload = [&, stamp](std::uint64_t n) {
    TFrameLibrary::TFrame frame = FFrames.Frame(scene, width, height, n);
    return stamp && frame ? StampedFrame(*frame) : frame;
  };
  RunStream(peer, plan);
}

void TService::ServeStill(TPeer& peer, const TRequest& request, int scene, int width, int height) {
  const auto jpeg = FFrames.Frame(scene, width, height, ClockFrame(FOptions.Fps));
  if (!jpeg) return SendStatus(peer, 503, "too many picture sizes in use at once");
  const std::string length = request.Has("huge") ? "4294967295" : std::to_string(jpeg->size());
  peer.Send(StatusLine(200) + "Server: camsim\r\nContent-Type: image/jpeg\r\nContent-Length: " +
            length + "\r\n\r\n" + *jpeg);
}

void TService::ServePages(TPeer& peer, const TRequest& request, TKind kind) {
  if (kind == TKind::Page) {
    const std::string page = WeatherPage(++FReadings);
    peer.Send(StatusLine(200) + "Server: camsim\r\nContent-Type: text/html\r\n\r\n" + page);
    return;
  }
  const auto framing = MakePushFraming("camsimpage", "text/html", !request.Has("nolength"));
  TStreamPlan plan;
  plan.Framing = framing.get();
  plan.PartsPerSecond = double(request.Number("fps", 1, 1, 100));
  plan.Faults = TFaults::From(request);
  plan.Payload = [this](std::uint64_t) {
    return std::make_shared<const std::string>(WeatherPage(++FReadings));
  };
  RunStream(peer, plan);
}

void TService::ServeSound(TPeer& peer, const TRequest& request) {
  const bool muLaw = !request.Has("pcm16");
  const auto framing = request.Has("multipart")
                           ? MakePushFraming("camsimsound", "audio/basic", true)
                           : MakePlainFraming("audio/basic");
  TStreamPlan plan;
  plan.Framing = framing.get();
  plan.PartsPerSecond = 1000.0 / kAuPieceMillis;
  plan.Faults = TFaults::From(request);
  plan.Payload = [muLaw](std::uint64_t n) { return AuPiece(muLaw, n); };
  RunStream(peer, plan);
}

}  // namespace vexilon::camsim
