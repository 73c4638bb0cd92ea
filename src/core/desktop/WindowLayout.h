#pragma once
#include <vector>

namespace vexilon {

// The largest client area a camera window is given, whatever a file or a picture asks for:
// a huge size would have the window system allocate its backing store.
inline constexpr int kMaxClientSize = 8192;

struct TLayoutRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;

  bool operator==(const TLayoutRect&) const = default;
};

// A camera window as Fit sees it: its frame (outer size less client size) and its natural
// client size, the picture size its catalogue entry names.
struct TFitWindow {
  int FrameWidth = 0;
  int FrameHeight = 0;
  int NaturalWidth = 0;
  int NaturalHeight = 0;
};

struct TFitLayout {
  double Scale = 1.0;
  std::vector<TLayoutRect> Places;  // one per window, in the order given
};

// Scaling steps down by this factor until the windows fit; below the floor it stops trying.
inline constexpr double kFitScaleStep = 0.75;
inline constexpr double kFitScaleFloor = 0.1;

// Rows of windows from the left in an area width x height: a window that would end beyond the
// width starts a new row below the tallest window of the row before (the first of a row always
// stays). Each window gets its natural size times the scale plus its frame. With shrink the
// scale steps down from 1 until the rows fit both ways; without it the scale stays 1 and the
// rows may run past the bottom.
TFitLayout FitLayout(const std::vector<TFitWindow>& windows, int width, int height, bool shrink);

struct TArrangeWindow {
  int Width = 0;
  int Height = 0;
};

// Rows of windows of their own sizes in an area width x height, from the top left. When the
// rows reach the bottom the width of a vertical scroll bar is given up and the rows begun
// again; likewise the height of a horizontal one when a row runs past the right edge. Answers
// each window's top left as (Left, Top) with its size.
std::vector<TLayoutRect> ArrangeLayout(const std::vector<TArrangeWindow>& windows, int width,
                                       int height, int scrollBarWidth, int scrollBarHeight);

}  // namespace vexilon
