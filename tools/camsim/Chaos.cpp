#include "Chaos.h"

#include <cstddef>
#include <iterator>
#include <random>

namespace vexilon::camsim {

// Spreads neighbouring seeds far apart before the count is added.
constexpr std::uint64_t kSeedSpread = 0x9E3779B97F4A7C15ull;

TChaos DrawChaos(std::uint64_t chaosSeed, std::uint64_t count) {
  std::mt19937_64 random(chaosSeed * kSeedSpread + count);
  const auto upTo = [&random](long most) { return long(random() % std::uint64_t(most + 1)); };
  TChaos chaos;
  // Out of 100: most connections stream a while, so that every camera also shows pictures.
  const long draw = upTo(99);
  if (draw < 40) {
    chaos.Kind = TChaos::TKind::Healthy;
    chaos.Parts = 25 + upTo(150);  // one to seven seconds
  } else if (draw < 50) {
    chaos.Kind = TChaos::TKind::Close;
    chaos.Parts = upTo(5);
  } else if (draw < 57) {
    chaos.Kind = TChaos::TKind::Stall;
    chaos.Parts = upTo(50);
  } else if (draw < 67) {
    chaos.Kind = TChaos::TKind::Status;
    const int codes[] = {401, 404, 500, 503};
    chaos.Status = codes[upTo(3)];
  } else if (draw < 74) {
    chaos.Kind = TChaos::TKind::Garbage;
  } else if (draw < 81) {
    chaos.Kind = TChaos::TKind::Endless;
    chaos.Parts = upTo(25);
  } else if (draw < 88) {
    chaos.Kind = TChaos::TKind::Huge;
    chaos.Parts = upTo(25);
  } else if (draw < 94) {
    chaos.Kind = TChaos::TKind::Trickle;
    chaos.Parts = 3 + upTo(7);
  } else {
    chaos.Kind = TChaos::TKind::Refuse;
  }
  return chaos;
}

const char* ChaosName(TChaos::TKind kind) {
  static const char* const kNames[] = {"healthy", "close", "stall",   "status", "garbage",
                                       "endless", "huge",  "trickle", "refuse"};
  static_assert(std::size(kNames) == static_cast<std::size_t>(TChaos::TKind::Refuse) + 1);
  return kNames[static_cast<int>(kind)];
}

}  // namespace vexilon::camsim
