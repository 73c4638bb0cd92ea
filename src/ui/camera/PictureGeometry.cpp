#include "ui/camera/PictureGeometry.h"

#include <cmath>

namespace vexilon {
namespace {

// Nearest, halves to even, as the display rules want.
int Round(double value) {
  return static_cast<int>(std::nearbyint(value));
}

bool Real(int width, int height) {
  return width > 1 && height > 1;
}

}  // namespace

TRect CalcPictureRect(int width, int height, int pictureWidth, int pictureHeight, bool aspect,
                      int& fitWidth, int& fitHeight) {
  TRect r{0, 0, width, height};
  fitWidth = fitHeight = 0;
  if (!aspect || !Real(pictureWidth, pictureHeight) || width <= 0 || height <= 0) return r;
  const double p = double(pictureWidth) / pictureHeight;
  const double c = double(width) / height;
  if (c > p)
    r.Right = Round(height * p);
  else
    r.Bottom = Round(width / p);
  fitWidth = r.Right;
  fitHeight = r.Bottom;
  const int dx = (width - r.Right) / 2, dy = (height - r.Bottom) / 2;
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

TRect ClientToPicture(const TRect& selection, const TRect& drawn, int pictureWidth,
                      int pictureHeight) {
  if (pictureWidth == drawn.Right && pictureHeight == drawn.Bottom) return selection;
  if (!Real(pictureWidth, pictureHeight)) return selection;
  const double sx = double(drawn.Right - drawn.Left) / pictureWidth;
  const double sy = double(drawn.Bottom - drawn.Top) / pictureHeight;
  if (sx <= 0 || sy <= 0) return selection;
  return {Round((selection.Left - drawn.Left) / sx), Round((selection.Top - drawn.Top) / sy),
          Round((selection.Right - drawn.Left) / sx), Round((selection.Bottom - drawn.Top) / sy)};
}

}  // namespace vexilon
