#include "core/playback/PlaybackLayout.h"

#include <algorithm>
#include <cmath>

namespace vexilon {
namespace {

std::int32_t Clamp(std::int64_t value, std::int64_t limit) {
  return std::int32_t(std::clamp<std::int64_t>(value, -limit, limit));
}

std::int32_t Scale(std::int32_t value, double zoom) {
  return std::int32_t(std::lround(double(value) * zoom));
}

}  // namespace

double ZoomOfChoice(int choice) {
  static constexpr double kZooms[kZoomChoiceCount] = {0.25, 0.5, 1.0, 1.5, 2.0, 3.0, 4.0};
  return choice >= 0 && choice < kZoomChoiceCount ? kZooms[choice] : 1.0;
}

TCaptureRect SaneRect(const TCaptureRect& rect) {
  return {Clamp(rect.Left, kMaxPlaybackCoordinate), Clamp(rect.Top, kMaxPlaybackCoordinate),
          Clamp(rect.Right, kMaxPlaybackCoordinate), Clamp(rect.Bottom, kMaxPlaybackCoordinate)};
}

std::int32_t SaneCaptionHeight(std::int32_t height) {
  return std::clamp(height, 0, kMaxPlaybackCaption);
}

TCaptureRect ScaleRect(const TCaptureRect& rect, double zoom) {
  const TCaptureRect sane = SaneRect(rect);
  return {Scale(sane.Left, zoom), Scale(sane.Top, zoom), Scale(sane.Right, zoom),
          Scale(sane.Bottom, zoom)};
}

TWindowParts WindowParts(const TCaptureRect& rect, std::int32_t captionHeight, double zoom) {
  const TCaptureRect r = ScaleRect(rect, zoom);
  TWindowParts parts;
  const std::int32_t captionBottom = r.Top + Scale(SaneCaptionHeight(captionHeight), zoom);
  parts.Caption = {r.Left, r.Top, r.Right, captionBottom};
  parts.Frame = {r.Left, captionBottom, r.Right, r.Bottom};
  parts.Picture = {r.Left + 1, captionBottom + 1, r.Right - 1, r.Bottom - 1};
  return parts;
}

int WindowAt(const std::vector<TCaptureRect>& rects, int x, int y, double zoom) {
  if (zoom <= 0) return -1;
  const auto px = std::int64_t(std::llround(x / zoom));
  const auto py = std::int64_t(std::llround(y / zoom));
  for (int i = int(rects.size()) - 1; i >= 0; --i) {
    const TCaptureRect r = SaneRect(rects[std::size_t(i)]);
    if (px >= r.Left && px < r.Right && py >= r.Top && py < r.Bottom) return i;
  }
  return -1;
}

TExtent ScaledExtent(const std::vector<TCaptureRect>& rects, double zoom) {
  TExtent extent;
  for (const TCaptureRect& rect : rects) {
    const TCaptureRect r = ScaleRect(rect, zoom);
    extent.Width = std::max(extent.Width, int(r.Right));
    extent.Height = std::max(extent.Height, int(r.Bottom));
  }
  return extent;
}

TCaptureRect TAutoArranger::Place(int width, int height, std::int32_t captionHeight, double zoom,
                                  int clientWidth) {
  // A 1-pixel frame on each side, as the recorders write it, so a picture is drawn at its size.
  const std::int32_t w = Clamp(std::int64_t(std::max(width, 0)) + 2, kMaxPlaybackCoordinate);
  const std::int32_t h =
      Clamp(std::int64_t(std::max(height, 0)) + 2 + SaneCaptionHeight(captionHeight),
            kMaxPlaybackCoordinate);
  TCaptureRect rect{FX, FY, Clamp(std::int64_t(FX) + w, kMaxPlaybackCoordinate),
                    Clamp(std::int64_t(FY) + h, kMaxPlaybackCoordinate)};
  if (FX > 0 && double(rect.Right) * zoom > clientWidth) {
    FY = FRowBottom;
    rect = {0, FY, w, Clamp(std::int64_t(FY) + h, kMaxPlaybackCoordinate)};
  }
  FX = rect.Right;
  FRowBottom = std::max(FRowBottom, rect.Bottom);
  return rect;
}

}  // namespace vexilon
