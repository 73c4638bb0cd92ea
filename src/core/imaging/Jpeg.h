#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vexilon {

// A decoded picture: Width × Height pixels, rows of RGB triples without padding.
struct TBitmap {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Pixels;
};

// Pictures larger than this are refused before anything is allocated for them: camera
// frames are untrusted, and a 20-byte header may claim 65535 × 65535 pixels.
constexpr int kMaxJpegSide = 16384;
constexpr std::int64_t kMaxJpegPixels = std::int64_t(256) << 20;

// Reads the size from the JPEG header without decoding the picture.
bool JpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height);

// Decodes a baseline or progressive JPEG (grey, colour or CMYK) into RGB. scaleDenominator
// 2, 4 or 8 decodes straight to a half, quarter or eighth of the size (rounded up), which is
// much cheaper than scaling afterwards. A truncated picture decodes with its missing rows
// grey; bytes that are no JPEG, or a picture over the limits, answer false and leave out
// empty. Fast trades a little precision (fast integer DCT, plain chroma upsampling) for a
// decode about a third cheaper: right for live pictures, not for saving them.
enum class TJpegDecode { Accurate, Fast };
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& out, int scaleDenominator = 1,
                TJpegDecode quality = TJpegDecode::Accurate);

// Baseline JPEG of an RGB bitmap, 4:2:0, quality 1 to 100; empty when the bitmap is not
// well formed (no pixels, or fewer bytes than its size needs).
std::string EncodeJpeg(const TBitmap& bitmap, int quality);

}  // namespace vexilon
