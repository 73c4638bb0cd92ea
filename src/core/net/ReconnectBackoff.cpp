#include "core/net/ReconnectBackoff.h"

#include <algorithm>
#include <random>

namespace vexilon {
namespace {

using namespace std::chrono_literals;

// The first two failures are retried on the usual schedule; the third waits.
constexpr int kFreeRetries = 2;
constexpr auto kFirstWait = 1s;
constexpr auto kLongestWait = 30s;
constexpr auto kHealthyTime = 30s;
constexpr double kJitter = 0.2;

}  // namespace

TReconnectBackoff::TReconnectBackoff(TJitter jitter) : FJitter(std::move(jitter)) {}

double TReconnectBackoff::RandomJitter() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::uniform_real_distribution<double>(-1.0, 1.0)(generator);
}

std::chrono::milliseconds TReconnectBackoff::Failure(TClock::time_point now) {
  if (FHealthySince && now - *FHealthySince >= kHealthyTime) FFailures = 0;
  FHealthySince.reset();
  ++FFailures;
  if (FFailures <= kFreeRetries) return 0ms;
  const int doublings = std::min(FFailures - kFreeRetries - 1, 5);
  const std::chrono::milliseconds wait =
      std::min<std::chrono::milliseconds>(kFirstWait * (1 << doublings), kLongestWait);
  const double jitter = std::clamp(FJitter ? FJitter() : 0.0, -1.0, 1.0);
  return std::chrono::milliseconds(
      static_cast<long long>(double(wait.count()) * (1.0 + kJitter * jitter)));
}

void TReconnectBackoff::GoodFrame(TClock::time_point now) {
  if (!FHealthySince) FHealthySince = now;
}

}  // namespace vexilon
