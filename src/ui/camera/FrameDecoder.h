#pragma once
#include <array>
#include <string>

#include "core/imaging/Jpeg.h"
#include "ui/camera/PictureBox.h"

namespace vexilon {

// The largest DCT scale (1, 2, 4 or 8) at which a picture still covers the area it is drawn
// in; an empty area means the picture's own size.
int ScaleFor(int pictureWidth, int pictureHeight, int width, int height);

// Turns camera frames into pictures ready to paint: JPEGs are decoded straight into the
// image the window paints from, in the painter's own pixel format, by a decoder kept for the
// whole stream. Use one per thread.
class TFrameDecoder {
 public:
  // The picture for an area of drawWidth × drawHeight pixels (0 × 0: the picture's own size).
  // A JPEG's bytes move into the picture; other bytes stay. Bytes that do not decode give a
  // picture that is not real.
  TPicture Decode(std::string& bytes, int drawWidth, int drawHeight);
  // A JPEG nobody looks at: its size and bytes, no image yet. Other formats are decoded.
  TPicture Describe(std::string& bytes);
  // Fills in the image of a described picture.
  void DecodeImage(TPicture& picture, int drawWidth, int drawHeight);

 private:
  // A kept image of this size that nobody else holds any more, else a new one in place of
  // the oldest; written through without a copy, as only the list holds it.
  QImage& FreeImage(int width, int height);

  TJpegDecoder FJpeg;
  // The last images handed out: once the window has let go of one, it takes the next
  // picture of the same size, so a stream costs no allocation (and no fresh pages) a frame.
  std::array<QImage, 3> FImages;
  std::size_t FNextImage = 0;
};

}  // namespace vexilon
