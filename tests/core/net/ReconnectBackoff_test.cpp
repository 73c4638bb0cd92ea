#include "core/net/ReconnectBackoff.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexilon {
namespace {

using namespace std::chrono_literals;
using TClock = TReconnectBackoff::TClock;

TEST(ReconnectBackoff, TwoFreeRetriesThenDoublingUpToHalfAMinute) {
  TReconnectBackoff backoff([] { return 0.0; });
  TClock::time_point now{};
  std::vector<long long> waits;
  for (int i = 0; i < 12; ++i) {
    const auto wait = backoff.Failure(now);
    waits.push_back(wait.count());
    now += wait + 100ms;
  }
  EXPECT_EQ(waits, (std::vector<long long>{0, 0, 1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000,
                                           30000, 30000}));
}

TEST(ReconnectBackoff, OnlyHalfAMinuteOfPicturesForgivesAndJitterStaysWithinAFifth) {
  struct TRow {
    const char* Case;
    std::chrono::seconds Healthy;  // pictures for this long before the next failure
    long long Wait;
  } rows[] = {{"one good picture before each failure", 0s, 2000},
              {"pictures for 29 s", 29s, 2000},
              {"pictures for 30 s", 30s, 0}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Case);
    TReconnectBackoff backoff([] { return 0.0; });
    TClock::time_point now{};
    for (int i = 0; i < 3; ++i) backoff.Failure(now += 1s);  // the third waits 1 s
    backoff.GoodFrame(now += 1s);
    backoff.GoodFrame(now += row.Healthy);
    EXPECT_EQ(backoff.Failure(now).count(), row.Wait);
  }
  for (double jitter : {-1.0, 1.0, 7.0}) {
    TReconnectBackoff backoff([jitter] { return jitter; });
    for (int i = 0; i < 8; ++i) backoff.Failure(TClock::time_point{});
    const auto wait = backoff.Failure(TClock::time_point{}).count();
    EXPECT_GE(wait, 24000);
    EXPECT_LE(wait, 36000);
  }
}

}  // namespace
}  // namespace vexilon
