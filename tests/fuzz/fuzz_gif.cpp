// Feeds arbitrary bytes to the GIF decoder as a camera frame would reach it, then steps
// through every further frame.
#include <cstdint>
#include <cstdlib>

#include "core/imaging/Gif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vexilon::TGif gif;
  try {
    gif.Load(data, size);
    for (int frame = 0; frame < 64 && gif.ReadNextFrame(); ++frame) {
    }
  } catch (const vexilon::EGifError&) {
    return 0;
  }
  if (gif.Indices().size() != size_t(gif.Width()) * size_t(gif.Height())) std::abort();
  const vexilon::TBitmap bitmap = gif.ToBitmap();
  if (bitmap.Pixels.size() != gif.Indices().size() * 3) std::abort();
  return 0;
}
