#pragma once
#include <cstdint>

#include "core/imaging/Jpeg.h"

namespace vexilon::camsim {

struct TColour {
  std::uint8_t R, G, B;
};

// Fills a rectangle, clipped to the bitmap.
void FillRect(TBitmap& bitmap, int x, int y, int width, int height, TColour colour);
void FillCircle(TBitmap& bitmap, int cx, int cy, int radius, TColour colour);

// Writes a number in a 5×7 digit font, each font pixel scale × scale pixels, the first digit
// at (x, y). Answers the width drawn.
int DrawNumber(TBitmap& bitmap, int x, int y, int scale, std::uint64_t number, TColour colour);
int NumberWidth(int scale, std::uint64_t number);

}  // namespace vexilon::camsim
