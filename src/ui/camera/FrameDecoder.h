#pragma once
#include <string>

#include "core/imaging/Jpeg.h"
#include "ui/camera/ImagePool.h"
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
  TJpegDecoder FJpeg;
  TImagePool FImages;
};

}  // namespace vexilon
