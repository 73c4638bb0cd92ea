#include "core/capture/Flashback.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexilon {
namespace {

const auto kNow = std::chrono::system_clock::now();

std::vector<std::string> Kept(const TFlashbackStore& store) {
  std::vector<std::string> kept;
  for (const TFlashData& frame : store.Frames()) kept.push_back(*frame.Jpeg);
  return kept;
}

TEST(FlashbackStore, KeepsTheNewestFramesUpToTheCapacityOfTheMoment) {
  TFlashbackStore store;
  for (int i = 1; i <= 7; ++i) store.Store("f" + std::to_string(i), kNow, 5);
  EXPECT_EQ(Kept(store), (std::vector<std::string>{"f3", "f4", "f5", "f6", "f7"}));

  // A lowered capacity counts from the next frame: old ones go first, then it is added.
  for (int i = 8; i <= 12; ++i) store.Store("f" + std::to_string(i), kNow, 10);
  store.Store("f13", kNow, 2);
  EXPECT_EQ(Kept(store), (std::vector<std::string>{"f12", "f13"}));

  // A frame that is no JPEG makes room but is not kept; capacity 0 empties the store.
  store.Store("", kNow, 2);
  EXPECT_EQ(Kept(store), (std::vector<std::string>{"f13"}));
  store.Store("f14", kNow, 0);
  EXPECT_TRUE(store.Frames().empty());
  store.Store("f15", kNow, -3);
  EXPECT_TRUE(store.Frames().empty());

  // A million frames asked for: what is kept stays within the budget, newest last.
  const std::string frame(5 << 20, 'j');
  for (int i = 0; i < 20; ++i) store.Store(frame, kNow, 1000000);
  EXPECT_LE(store.Bytes(), TFlashbackStore::kBudget);
  EXPECT_EQ(store.Frames().size(), TFlashbackStore::kBudget / frame.size());
}

}  // namespace
}  // namespace vexilon
