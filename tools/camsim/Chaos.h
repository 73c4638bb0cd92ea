#pragma once
#include <cstdint>

namespace vexilon::camsim {

// What one connection of a chaos stream does, drawn at random: a soak test's cameras go
// through every fault, one connection after another.
struct TChaos {
  enum class TKind { Healthy, Close, Stall, Status, Garbage, Endless, Huge, Trickle, Refuse };
  TKind Kind = TKind::Healthy;
  long Parts = 0;  // parts sent before the fault (Healthy: before a clean close)
  int Status = 0;  // the status answered instead of a stream
};

// The fault of the n-th connection to the streams of one chaos seed; the same seed and count
// always draw the same fault.
TChaos DrawChaos(std::uint64_t chaosSeed, std::uint64_t count);

// "healthy", "close", "stall", ... for camsim's log line of each draw.
const char* ChaosName(TChaos::TKind kind);

}  // namespace vexilon::camsim
