#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/imaging/Jpeg.h"

namespace vexilon {

// A GIF that cannot be decoded; the message says why in the format's own terms.
class EGifError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// GIF 87a and 89a pictures decoded into palette indices over one logical screen. Every frame
// is drawn over the same pixels (no disposal, no delays). The bytes are untrusted: sizes are
// checked before anything is allocated and every read is bounded by the data.
class TGif {
 public:
  // The signature test: the first three bytes are "GIF".
  static bool Accepts(const std::uint8_t* data, std::size_t size);

  // Takes a copy of the data and decodes up to the first graphic control extension (which
  // leaves only the background) or through the first frame. Throws EGifError.
  void Load(const std::uint8_t* data, std::size_t size);
  // Decodes the next frame over the current pixels; answers whether an image was decoded.
  bool ReadNextFrame();

  bool Animated() const { return FAnimated; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int BitsPerPixel() const { return FBitsPerPixel; }
  // Palette indices, rows top to bottom, masked to the bit depth.
  const std::vector<std::uint8_t>& Indices() const { return FIndices; }
  // 0x00RRGGBB; the transparent entry, if any, is black.
  const std::vector<std::uint32_t>& ColorTable() const { return FColorTable; }
  int TransparentIndex() const { return FTransparent; }
  // The picture in RGB; indices beyond the colour table are black.
  TBitmap ToBitmap() const;

 private:
  class TReader;
  void DecodeImage(TReader& in);
  void ReadColorTable(TReader& in, int count);

  std::vector<std::uint8_t> FData;
  bool FAnimated = false;
  int FWidth = 0, FHeight = 0, FBitsPerPixel = 8;
  std::vector<std::uint8_t> FIndices;
  std::vector<std::uint32_t> FPalette;
  std::vector<std::uint32_t> FColorTable;
  std::vector<std::uint8_t> FControl;
  int FTransparent = -1;
  long long FFirstFrame = -1, FNextFrame = -1;
};

}  // namespace vexilon
