#pragma once

namespace vexilon {

// A rectangle as the camera window keeps its rubber band and zoom: right and bottom are
// exclusive, and it is empty when right <= left or bottom <= top.
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect&) const = default;
};

// Where the picture goes in a client area of width × height: all of it, or with aspect on
// and a real picture, the largest centred rectangle of the picture's proportions. fitWidth
// and fitHeight get that rectangle's size (0 when it was not fitted).
TRect CalcPictureRect(int width, int height, int pictureWidth, int pictureHeight, bool aspect,
                      int& fitWidth, int& fitHeight);

// A selection in client coordinates turned into picture coordinates, given the rectangle the
// picture is drawn in. A picture shown 1:1 from the corner keeps the selection as it is.
TRect ClientToPicture(const TRect& selection, const TRect& drawn, int pictureWidth,
                      int pictureHeight);

}  // namespace vexilon
