// Feeds arbitrary bytes to the JPEG decoder as a camera frame would reach it: the size from
// the header first, then a decode at the scale the first byte picks.
#include <cstdint>
#include <cstdlib>

#include "core/imaging/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int scale = 1 << (data[0] & 3);
  ++data;
  --size;
  int width = 0, height = 0;
  const bool sized = vexilon::JpegSize(data, size, width, height);
  if (sized && (width <= 0 || height <= 0)) std::abort();
  // Big pictures are legitimate but slow to fill; the limits themselves are tested elsewhere.
  if (sized && int64_t(width) * height > (int64_t(1) << 22)) return 0;
  vexilon::TBitmap out;
  const bool decoded = vexilon::DecodeJpeg(data, size, out, scale);
  if (decoded != sized && decoded) std::abort();
  if (decoded) {
    if (out.Width != (width + scale - 1) / scale || out.Height != (height + scale - 1) / scale)
      std::abort();
    if (out.Pixels.size() != size_t(out.Width) * size_t(out.Height) * 3) std::abort();
    // What we decode we can write again.
    if (vexilon::EncodeJpeg(out, 50).empty()) std::abort();
  } else if (!out.Pixels.empty() || out.Width != 0) {
    std::abort();
  }
  return 0;
}
