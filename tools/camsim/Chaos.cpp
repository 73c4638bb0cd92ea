#include "Chaos.h"

#include <random>

namespace vexilon::camsim {

TChaos DrawChaos(std::uint64_t seed, std::uint64_t connection) {
  std::mt19937_64 random(seed * 0x9E3779B97F4A7C15ull + connection);
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
  switch (kind) {
    case TChaos::TKind::Healthy:
      return "healthy";
    case TChaos::TKind::Close:
      return "close";
    case TChaos::TKind::Stall:
      return "stall";
    case TChaos::TKind::Status:
      return "status";
    case TChaos::TKind::Garbage:
      return "garbage";
    case TChaos::TKind::Endless:
      return "endless";
    case TChaos::TKind::Huge:
      return "huge";
    case TChaos::TKind::Trickle:
      return "trickle";
    case TChaos::TKind::Refuse:
      return "refuse";
  }
  return "?";
}

}  // namespace vexilon::camsim
