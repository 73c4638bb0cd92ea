#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/imaging/Jpeg.h"

namespace vexilon {

// The decoders a camera window offers a frame to, in the order it offers it.
enum class TPictureFormat { Gif, Jpeg, Bitmap };

// "gif", "jpeg" or "bitmap".
const char* PictureFormatName(TPictureFormat format);

// GIF by its signature, else JPEG when its header reads, else a plain bitmap.
TPictureFormat ChoosePictureFormat(const std::uint8_t* data, std::size_t size);

struct TDecodedPicture {
  TPictureFormat Format = TPictureFormat::Bitmap;
  int Width = 0, Height = 0;  // of the picture, also when a JPEG was decoded at a smaller scale
  int BitsPerPixel = 0;       // as stored: 1, 4 or 8 for a GIF, 24 for a JPEG
  bool Animated = false;
  TBitmap Bitmap;     // an animated GIF shows its first image
  std::string Error;  // the decoder's reason when it failed; then Bitmap is empty
  bool Decoded() const { return Error.empty(); }
};

// The denominator (1, 2, 4 or 8) at which a JPEG of the given size is decoded.
using TJpegScale = std::function<int(int width, int height)>;

// Decodes a frame with the decoder ChoosePictureFormat picks.
TDecodedPicture DecodePicture(const std::uint8_t* data, std::size_t size,
                              const TJpegScale& scale = {},
                              TJpegDecode quality = TJpegDecode::Accurate);

}  // namespace vexilon
