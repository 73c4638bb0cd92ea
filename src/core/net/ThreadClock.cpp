#include "core/net/ThreadClock.h"

namespace vexilon {
namespace {

class TSteadyThreadClock : public TThreadClock {
 public:
  TTime Now() const override { return std::chrono::steady_clock::now(); }
  std::chrono::microseconds RealWait(std::chrono::microseconds span) const override { return span; }
};

}  // namespace

std::shared_ptr<const TThreadClock> SteadyThreadClock() {
  static const auto clock = std::make_shared<const TSteadyThreadClock>();
  return clock;
}

}  // namespace vexilon
