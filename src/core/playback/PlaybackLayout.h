#pragma once
#include <cstdint>
#include <vector>

#include "core/capture/MultiCaptureFile.h"

namespace vexilon {

// Where the player draws the recorded windows of a multi-capture file: each at its recorded
// rectangle, or side by side in rows, scaled by the zoom. Rectangles come from the file, so
// they are held within a range that no arithmetic here can overflow.

inline constexpr int kZoomChoiceCount = 7;
inline constexpr int kDefaultZoomChoice = 2;  // 1.0x
// The zoom of a choice in the zoom list (0.25x to 4.0x); choices out of range count as 1.0x.
double ZoomOfChoice(int choice);

// Coordinates of recorded rectangles are held within this distance of the origin.
inline constexpr std::int32_t kMaxPlaybackCoordinate = 100000;
// Caption heights read from a file are held within 0 to this.
inline constexpr std::int32_t kMaxPlaybackCaption = 200;

TCaptureRect SaneRect(const TCaptureRect& rect);
std::int32_t SaneCaptionHeight(std::int32_t height);

// Each coordinate times zoom, rounded.
TCaptureRect ScaleRect(const TCaptureRect& rect, double zoom);

// The parts of a recorded window as drawn at zoom: the caption bar across the top, the picture
// area below it (with its 1-pixel frame) and, inside the frame, where the picture goes.
struct TWindowParts {
  TCaptureRect Caption;
  TCaptureRect Frame;
  TCaptureRect Picture;
};
TWindowParts WindowParts(const TCaptureRect& rect, std::int32_t captionHeight, double zoom);

// The index of the last rectangle that holds the point (x, y) of the zoomed picture area, or
// -1; later windows are drawn over earlier ones.
int WindowAt(const std::vector<TCaptureRect>& rects, int x, int y, double zoom);

// The extent of the zoomed picture area: the largest right and bottom edges.
struct TExtent {
  int Width = 0;
  int Height = 0;
};
TExtent ScaledExtent(const std::vector<TCaptureRect>& rects, double zoom);

// Places windows side by side in the order they first appear, starting a new row below the
// tallest window of the row when the next one would reach past the client width.
class TAutoArranger {
 public:
  void Reset() { *this = TAutoArranger(); }
  // A window whose picture is width x height, framed and with its caption bar.
  TCaptureRect Place(int width, int height, std::int32_t captionHeight, double zoom,
                     int clientWidth);

 private:
  std::int32_t FX = 0;
  std::int32_t FY = 0;
  std::int32_t FRowBottom = 0;
};

}  // namespace vexilon
