#include "core/playback/PlaybackLayout.h"

#include <gtest/gtest.h>

#include <climits>

namespace vexilon {
namespace {

TEST(PlaybackLayout, ZoomedWindowsHaveTheirCaptionBarFrameAndPictureInside) {
  struct TRow {
    TCaptureRect Rect;
    int Caption;
    double Zoom;
    TWindowParts Parts;
  } rows[] = {
      // A camera recording of a 320x240 picture with a 20-pixel caption, at its size.
      {{0, 0, 322, 262}, 20, 1.0, {{0, 0, 322, 20}, {0, 20, 322, 262}, {1, 21, 321, 261}}},
      {{10, 5, 332, 267}, 20, 2.0, {{20, 10, 664, 50}, {20, 50, 664, 534}, {21, 51, 663, 533}}},
      // Each coordinate is rounded on its own.
      {{1, 1, 7, 9}, 3, 0.5, {{1, 1, 4, 3}, {1, 3, 4, 5}, {2, 4, 3, 4}}},
      // No caption height: the picture area starts at the top.
      {{0, 0, 10, 10}, 0, 1.5, {{0, 0, 15, 0}, {0, 0, 15, 15}, {1, 1, 14, 14}}},
  };
  for (const TRow& row : rows) {
    const TWindowParts parts = WindowParts(row.Rect, row.Caption, row.Zoom);
    EXPECT_EQ(parts.Caption, row.Parts.Caption) << row.Zoom;
    EXPECT_EQ(parts.Frame, row.Parts.Frame) << row.Zoom;
    EXPECT_EQ(parts.Picture, row.Parts.Picture) << row.Zoom;
  }
}

TEST(PlaybackLayout, RectanglesAndCaptionsFromAFileAreHeldWithinRange) {
  const TCaptureRect wild{INT_MIN, INT_MAX, INT_MAX, INT_MIN};
  const TCaptureRect scaled = ScaleRect(wild, 4.0);
  EXPECT_EQ(scaled, (TCaptureRect{-4 * kMaxPlaybackCoordinate, 4 * kMaxPlaybackCoordinate,
                                  4 * kMaxPlaybackCoordinate, -4 * kMaxPlaybackCoordinate}));
  EXPECT_EQ(SaneCaptionHeight(-5), 0);
  EXPECT_EQ(SaneCaptionHeight(INT_MAX), kMaxPlaybackCaption);
  EXPECT_EQ(SaneCaptionHeight(23), 23);
  const TWindowParts parts = WindowParts({0, 0, 100, 100}, INT_MAX, 1.0);
  EXPECT_EQ(parts.Caption.Bottom, kMaxPlaybackCaption);

  const TExtent extent = ScaledExtent({wild, {0, 0, 50, 40}}, 4.0);
  EXPECT_EQ(extent.Width, 4 * kMaxPlaybackCoordinate);
  EXPECT_EQ(extent.Height, 160);
  EXPECT_EQ(ScaledExtent({}, 2.0).Width, 0);
  EXPECT_EQ(ScaledExtent({{-50, -50, -10, -10}}, 1.0).Height, 0);
}

TEST(PlaybackLayout, APointPicksTheTopmostWindowUnderItAtTheZoom) {
  const std::vector<TCaptureRect> rects = {{0, 0, 100, 100}, {50, 50, 150, 150}, {200, 0, 300, 50}};
  struct TRow {
    int X, Y;
    double Zoom;
    int Window;
  } rows[] = {
      {10, 10, 1.0, 0},    {60, 60, 1.0, 1},   {99, 99, 1.0, 1},  {149, 149, 1.0, 1},
      {150, 150, 1.0, -1}, {175, 10, 1.0, -1}, {250, 25, 1.0, 2}, {500, 50, 2.0, 2},
      {120, 120, 2.0, 1},  {25, 25, 0.25, 1},  {-1, -1, 1.0, -1}, {10, 10, 0.0, -1},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(WindowAt(rects, row.X, row.Y, row.Zoom), row.Window)
        << row.X << "," << row.Y << " at " << row.Zoom;
}

TEST(PlaybackLayout, AutoArrangeFillsRowsAndWrapsAtTheClientWidth) {
  TAutoArranger arranger;
  // 100x50 pictures with a 10-pixel caption are 102x62 framed; four fit in 420 pixels.
  std::vector<TCaptureRect> placed;
  for (int i = 0; i < 5; ++i) placed.push_back(arranger.Place(100, 50, 10, 1.0, 420));
  EXPECT_EQ(placed[0], (TCaptureRect{0, 0, 102, 62}));
  EXPECT_EQ(placed[3], (TCaptureRect{306, 0, 408, 62}));
  EXPECT_EQ(placed[4], (TCaptureRect{0, 62, 102, 124}));

  // The next row starts below the tallest window of the row; zoom counts against the width.
  arranger.Reset();
  EXPECT_EQ(arranger.Place(100, 200, 0, 2.0, 400), (TCaptureRect{0, 0, 102, 202}));
  EXPECT_EQ(arranger.Place(100, 20, 0, 2.0, 400), (TCaptureRect{0, 202, 102, 224}))
      << "the second right edge, 204, is 408 pixels wide at 2.0x";
  EXPECT_EQ(arranger.Place(10, 10, 0, 2.0, 400), (TCaptureRect{102, 202, 114, 214}));

  // A window wider than the client stays where the row starts instead of wrapping forever.
  arranger.Reset();
  EXPECT_EQ(arranger.Place(1000, 10, 0, 1.0, 100), (TCaptureRect{0, 0, 1002, 12}));
  EXPECT_EQ(arranger.Place(-5, INT_MAX, INT_MAX, 1.0, 100).Top, 12);
}

TEST(PlaybackLayout, ZoomChoicesRunFromAQuarterToFourTimes) {
  EXPECT_EQ(ZoomOfChoice(0), 0.25);
  EXPECT_EQ(ZoomOfChoice(kDefaultZoomChoice), 1.0);
  EXPECT_EQ(ZoomOfChoice(kZoomChoiceCount - 1), 4.0);
  EXPECT_EQ(ZoomOfChoice(-1), 1.0);
  EXPECT_EQ(ZoomOfChoice(kZoomChoiceCount), 1.0);
}

}  // namespace
}  // namespace vexilon
