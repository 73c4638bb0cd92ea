#include "StreamLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>

#include "Peer.h"
#include "Request.h"
#include "Sound.h"

namespace vexilon::camsim {
namespace {

constexpr std::size_t kFillerBlock = 65536;

// Picture-like bytes without any delimiter (no "-", "<", CR or LF): a part that never ends
// stays open for good.
const std::string& Filler() {
  static const std::string filler = [] {
    std::mt19937 random(1);
    std::string bytes(kFillerBlock, '\0');
    for (char& c : bytes) {
      do c = char(random());
      while (c == '-' || c == '<' || c == '\r' || c == '\n');
    }
    return bytes;
  }();
  return filler;
}

// Any bytes at all, twice the block so that each tick sends a different window.
const std::string& Garbage() {
  static const std::string garbage = [] {
    std::mt19937 random(2);
    std::string bytes(2 * kFillerBlock, '\0');
    for (char& c : bytes) c = char(random());
    return bytes;
  }();
  return garbage;
}

}  // namespace

TFaults TFaults::From(const TRequest& request) {
  constexpr long kMax = 1L << 40;
  TFaults f;
  f.Close = request.Number("close", -1, 0, kMax);
  f.Stall = request.Number("stall", -1, 0, kMax);
  f.Endless = request.Number("endless", -1, 0, kMax);
  f.Huge = request.Number("huge", -1, 0, kMax);
  f.Garbage = request.Has("garbage");
  return f;
}

void RunStream(TPeer& peer, const TStreamPlan& plan) {
  using TClock = std::chrono::steady_clock;
  const TFraming& framing = *plan.Framing;
  const TFaults& faults = plan.Faults;
  const auto interval = std::chrono::duration_cast<TClock::duration>(
      std::chrono::duration<double>(1.0 / std::max(plan.PartsPerSecond, 0.01)));
  const long partsPerSound = std::max(1L, std::lround(plan.PartsPerSecond));
  const TClock::time_point begun = TClock::now();
  TClock::time_point due = begun;

  if (!peer.Send(framing.Head())) return;
  bool filling = faults.Garbage;
  for (std::uint64_t k = 0;; ++k) {
    if (k > 0) {
      due += interval;
      const TClock::time_point now = TClock::now();
      // Behind by more than a second (a slow reader): go on from now instead of bursting.
      if (now - due > std::chrono::seconds(1)) due = now;
      if (!peer.Stop().SleepUntil(due)) return;
    }
    if (filling) {
      const std::string& bytes = faults.Garbage ? Garbage() : Filler();
      const std::size_t from = faults.Garbage ? (k * 4099) % kFillerBlock : 0;
      if (!peer.Send(std::string_view(bytes).substr(from, kFillerBlock))) return;
      continue;
    }
    const long sent = long(k);
    if (sent == faults.Close) return;
    if (sent == faults.Stall) return peer.Linger();
    if (sent == faults.Endless || sent == faults.Huge) {
      if (!peer.Send(sent == faults.Endless ? framing.OpenEndless() : framing.OpenHuge())) return;
      filling = true;
      continue;
    }
    if (plan.Sound && sent % partsPerSound == 0) {
      const std::string& second = Raw8Second(std::uint64_t(sent / partsPerSound));
      const std::string pcm = sent == 0 ? Raw8Header() + second : second;
      if (!peer.Send(framing.SoundPart(pcm))) return;
    }
    const std::uint64_t number = plan.FirstNumber + k;
    const auto payload = plan.Payload(number);
    if (!payload) return;
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(due - begun);
    if (!peer.Send(framing.Part(*payload, std::uint32_t(number), std::uint32_t(millis.count())))) {
      return;
    }
  }
}

}  // namespace vexilon::camsim
