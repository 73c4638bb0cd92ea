// Feeds arbitrary bytes to the decoders a camera window offers a frame to; bytes that are no
// GIF or JPEG reach the plain bitmap decoder, whose headers and run-length data are checked
// here.
#include <cstdint>
#include <cstdlib>

#include "core/imaging/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vexilon::TDecodedPicture picture = vexilon::DecodePicture(data, size);
  if (!picture.Decoded()) return 0;
  const vexilon::TBitmap& bitmap = picture.Bitmap;
  if (bitmap.Width <= 0 || bitmap.Height <= 0 ||
      bitmap.Pixels.size() != size_t(bitmap.Width) * size_t(bitmap.Height) * 3)
    std::abort();
  return 0;
}
