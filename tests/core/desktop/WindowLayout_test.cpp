#include "core/desktop/WindowLayout.h"

#include <gtest/gtest.h>

namespace vexilon {
namespace {

// Six windows of 320 x 240 pictures in frames of 10 x 30: together twice as wide as the area.
const std::vector<TFitWindow> kSix(6, TFitWindow{10, 30, 320, 240});
constexpr int kWidth = 6 * 330 / 2;  // 990
constexpr int kHeight = 400;

TEST(WindowLayout, AutoFitShrinksUntilTheRowsFitAndAutoArrangeNever) {
  const TFitLayout fitted = FitLayout(kSix, kWidth, kHeight, true);
  // At 0.75 three windows of 250 x 210 make a row, two rows are 420 high: too high.
  // At 0.5625 five of 190 x 165 make a row, two rows are 330 high: the first scale that fits.
  EXPECT_DOUBLE_EQ(fitted.Scale, 0.5625);
  ASSERT_EQ(fitted.Places.size(), 6u);
  EXPECT_EQ(fitted.Places[4], (TLayoutRect{4 * 190, 0, 190, 165}));
  EXPECT_EQ(fitted.Places[5], (TLayoutRect{0, 165, 190, 165}));

  const TFitLayout arranged = FitLayout(kSix, kWidth, kHeight, false);
  EXPECT_DOUBLE_EQ(arranged.Scale, 1.0);
  // Two rows of three, 540 high: the second runs past the bottom.
  EXPECT_EQ(arranged.Places[2], (TLayoutRect{660, 0, 330, 270}));
  EXPECT_EQ(arranged.Places[3], (TLayoutRect{0, 270, 330, 270}));
}

TEST(WindowLayout, FitKeepsWhatFitsAndGivesUpBelowTheFloor) {
  // Enough room: nothing shrinks, and rows break where the next window would pass the edge.
  const std::vector<TFitWindow> mixed = {{0, 0, 100, 50}, {0, 0, 100, 80}, {0, 0, 60, 10}};
  const TFitLayout roomy = FitLayout(mixed, 200, 200, true);
  EXPECT_DOUBLE_EQ(roomy.Scale, 1.0);
  EXPECT_EQ(roomy.Places[2], (TLayoutRect{0, 80, 60, 10}));
  // A window wider than the area stays first in its row and is measured too wide.
  const TFitLayout tiny = FitLayout({{50, 50, 400, 400}}, 40, 40, true);
  EXPECT_LT(tiny.Scale, kFitScaleFloor);
  EXPECT_GE(tiny.Scale, kFitScaleFloor * kFitScaleStep);
  EXPECT_EQ(tiny.Places[0].Left, 0);
  EXPECT_TRUE(FitLayout({}, 10, 10, true).Places.empty());
}

TEST(WindowLayout, ArrangeGivesUpRoomForAScrollBarOnceTheRowsReachTheBottom) {
  const std::vector<TArrangeWindow> windows(5, TArrangeWindow{100, 100});
  // 300 wide: rows of three; the second row starts at the bottom, so a vertical bar takes
  // 20 and leaves rows of two.
  const std::vector<TLayoutRect> places = ArrangeLayout(windows, 300, 100, 20, 20);
  ASSERT_EQ(places.size(), 5u);
  EXPECT_EQ(places[1], (TLayoutRect{100, 0, 100, 100}));
  EXPECT_EQ(places[2], (TLayoutRect{0, 100, 100, 100}));
  EXPECT_EQ(places[4], (TLayoutRect{0, 200, 100, 100}));
  // With room enough the sizes are kept and the rows stay full.
  const std::vector<TLayoutRect> roomy = ArrangeLayout(windows, 300, 1000, 20, 20);
  EXPECT_EQ(roomy[2], (TLayoutRect{200, 0, 100, 100}));
  EXPECT_EQ(roomy[3], (TLayoutRect{0, 100, 100, 100}));
}

}  // namespace
}  // namespace vexilon
