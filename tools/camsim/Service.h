#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>

#include "DigestGate.h"
#include "FrameLibrary.h"
#include "Options.h"

namespace vexilon::camsim {

class TPeer;
struct TRequest;

// What camsim does with one connection: read the request, then proxy it, refuse it, or
// serve the path it names.
class TService {
 public:
  TService(const TOptions& options, int ownPort);

  void Serve(TPeer& peer);

 private:
  enum class TKind { Push, Tagged, Vod, Webcam32, Still, Page, HtmlPush, Sound };

  void ServeLocal(TPeer& peer, TRequest& request);
  // Finds the path (or demo camera) and adds its preset options to the query.
  bool Resolve(TRequest& request, TKind& kind) const;
  bool Authorized(const TRequest& request) const;
  void ServePictures(TPeer& peer, const TRequest& request, TKind kind);
  void ServeStill(TPeer& peer, const TRequest& request, int scene, int width, int height);
  void ServePages(TPeer& peer, const TRequest& request, TKind kind);
  void ServeSound(TPeer& peer, const TRequest& request);
  // The camera clock: the number of the picture due now at fps.
  std::uint64_t ClockFrame(double fps) const;

  const TOptions FOptions;
  const int FOwnPort;
  const std::chrono::steady_clock::time_point FStarted;
  TFrameLibrary FFrames;
  TDigestGate FDigest;
  std::atomic<std::uint64_t> FReadings{0};
  std::atomic<std::uint64_t> FChaosDraws{0};
};

}  // namespace vexilon::camsim
