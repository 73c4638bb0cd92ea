// Feeds arbitrary bytes to the JPEG decoder as a camera frame would reach it: the size from
// the header first, then a decode at the scale the first byte picks, to RGB and to the 32-bit
// words a window paints, by decoders kept from one input to the next as a stream keeps them.
#include <cstdint>
#include <cstdlib>
#include <vector>

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
    static vexilon::TJpegDecoder kept;
    static std::vector<uint8_t> words;
    int w = 0, h = 0;
    const bool painted = kept.Decode(
        data, size, vexilon::TPixelLayout::Xrgb32, scale, vexilon::TJpegDecode::Fast,
        [](int pw, int ph) {
          words.resize(size_t(pw) * size_t(ph) * 4);
          return vexilon::TPixelTarget{words.data(), size_t(pw) * 4};
        },
        w, h);
    if (painted && (w != out.Width || h != out.Height)) std::abort();
  } else if (!out.Pixels.empty() || out.Width != 0) {
    std::abort();
  }
  return 0;
}
