#include "core/desktop/WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace vexilon {

namespace {

struct TMeasure {
  std::vector<TLayoutRect> Places;
  int Widest = 0;
  int Bottom = 0;
};

TMeasure Measure(const std::vector<TFitWindow>& windows, int width, double scale) {
  TMeasure result;
  int x = 0, y = 0, rowHeight = 0;
  for (const TFitWindow& window : windows) {
    const int w = window.FrameWidth + int(std::lround(window.NaturalWidth * scale));
    const int h = window.FrameHeight + int(std::lround(window.NaturalHeight * scale));
    if (x > 0 && x + w > width) {
      y += rowHeight;
      x = 0;
      rowHeight = 0;
    }
    result.Places.push_back({x, y, w, h});
    x += w;
    rowHeight = std::max(rowHeight, h);
    result.Widest = std::max(result.Widest, x);
  }
  result.Bottom = y + rowHeight;
  return result;
}

}  // namespace

TFitLayout FitLayout(const std::vector<TFitWindow>& windows, int width, int height, bool shrink) {
  double scale = 1.0;
  TMeasure measured = Measure(windows, width, scale);
  while (shrink && (measured.Bottom > height || measured.Widest > width)) {
    scale *= kFitScaleStep;
    measured = Measure(windows, width, scale);
    if (scale < kFitScaleFloor) break;
  }
  return {scale, std::move(measured.Places)};
}

std::vector<TLayoutRect> ArrangeLayout(const std::vector<TArrangeWindow>& windows, int width,
                                       int height, int scrollBarWidth, int scrollBarHeight) {
  bool verticalBar = false, horizontalBar = false;
  std::vector<TLayoutRect> places;
  // Each scroll bar restarts the rows at most once, so this ends after three passes.
  for (bool restart = true; restart;) {
    restart = false;
    places.clear();
    int x = 0, y = 0, rowHeight = 0;
    for (const TArrangeWindow& window : windows) {
      if (y >= height && !verticalBar) {
        width -= scrollBarWidth;
        verticalBar = restart = true;
        break;
      }
      if (x > 0 && x + window.Width > width) {
        y += rowHeight;
        x = 0;
        rowHeight = 0;
      }
      if (x > width && !horizontalBar) {
        height -= scrollBarHeight;
        horizontalBar = restart = true;
        break;
      }
      places.push_back({x, y, window.Width, window.Height});
      rowHeight = std::max(rowHeight, window.Height);
      x += window.Width;
    }
  }
  return places;
}

}  // namespace vexilon
