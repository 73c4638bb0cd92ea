#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/imaging/Jpeg.h"

namespace vexilon {

// A grey JPEG of width × height; its size or its shade tells test frames apart.
inline std::string GreyJpeg(int width, int height, std::uint8_t shade = 128) {
  TBitmap bitmap;
  bitmap.Width = width;
  bitmap.Height = height;
  bitmap.Pixels.assign(std::size_t(width) * std::size_t(height) * 3, shade);
  return EncodeJpeg(bitmap, 80);
}

}  // namespace vexilon
