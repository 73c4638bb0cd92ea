#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

enum class TJpegDecode { Accurate, Fast };

// How decoded pixels are laid out: RGB triples, or 32-bit words 0xffRRGGBB in the machine's
// byte order, which is what a painter takes without converting (Qt's RGB32).
enum class TPixelLayout { Rgb24, Xrgb32 };

// Where a decode writes its rows: Stride bytes apart, from Pixels on.
struct TPixelTarget {
  std::uint8_t* Pixels = nullptr;
  std::size_t Stride = 0;
};
// Asked once the output size is known; a target without pixels ends the decode.
using TPixelAllocator = std::function<TPixelTarget(int width, int height)>;

// One decompressor kept for many pictures, so a stream of frames costs no set-up per frame.
// Use it on one thread at a time.
class TJpegDecoder {
 public:
  TJpegDecoder();
  ~TJpegDecoder();
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;

  // The size from the JPEG header, without decoding the picture.
  bool ReadSize(const std::uint8_t* data, std::size_t size, int& width, int& height);
  // Decodes straight into the memory the allocator hands out; width and height are the
  // output's, after scaling. See DecodeJpeg for the scale, the quality and what fails.
  bool Decode(const std::uint8_t* data, std::size_t size, TPixelLayout layout, int scaleDenominator,
              TJpegDecode quality, const TPixelAllocator& allocate, int& width, int& height);

 private:
  struct TState;
  std::unique_ptr<TState> F;
};

// Reads the size from the JPEG header without decoding the picture.
bool JpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height);

// Decodes a baseline or progressive JPEG (grey, colour or CMYK) into RGB. scaleDenominator
// 2, 4 or 8 decodes straight to a half, quarter or eighth of the size (rounded up), which is
// much cheaper than scaling afterwards. A truncated picture decodes with its missing rows
// grey; bytes that are no JPEG, or a picture over the limits, answer false and leave out
// empty. Fast trades a little precision (fast integer DCT, plain chroma upsampling) for a
// decode about a third cheaper: right for live pictures, not for saving them.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& out, int scaleDenominator = 1,
                TJpegDecode quality = TJpegDecode::Accurate);

// Baseline JPEG of an RGB bitmap, 4:2:0, quality 1 to 100; empty when the bitmap is not
// well formed (no pixels, or fewer bytes than its size needs).
std::string EncodeJpeg(const TBitmap& bitmap, int quality);
// The same of rows without gaps in the given layout, as a decoded camera picture comes.
std::string EncodeJpeg(const std::uint8_t* pixels, int width, int height, TPixelLayout layout,
                       int quality);

}  // namespace vexilon
