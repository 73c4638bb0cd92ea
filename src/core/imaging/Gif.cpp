#include "core/imaging/Gif.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace vexilon {
namespace {

constexpr int kMaxCodes = 4096;
// A 13-byte header may claim 65535 × 65535 pixels; no camera sends a GIF near this size.
constexpr std::int64_t kMaxGifPixels = std::int64_t(16) << 20;

}  // namespace

// Reads bytes and sub-blocks of the GIF data; every read past the end throws.
class TGif::TReader {
 public:
  TReader(const std::vector<std::uint8_t>& data, std::size_t pos) : FData(data), FPos(pos) {}

  std::size_t Pos() const { return FPos; }
  bool AtEnd() const { return FPos >= FData.size(); }
  std::uint8_t Byte() {
    if (FPos >= FData.size()) throw EGifError("Premature end of file in .GIF file");
    return FData[FPos++];
  }
  int Word() {
    const int low = Byte();
    return low | (Byte() << 8);
  }
  const std::uint8_t* Bytes(std::size_t count) {
    if (count > FData.size() - FPos) throw EGifError("Premature end of file in .GIF file");
    const std::uint8_t* bytes = FData.data() + FPos;
    FPos += count;
    return bytes;
  }
  // Skips sub-blocks up to and with the zero-length terminator.
  void SkipBlocks() {
    for (std::uint8_t size = Byte(); size != 0; size = Byte()) Bytes(size);
  }

 private:
  const std::vector<std::uint8_t>& FData;
  std::size_t FPos;
};

bool TGif::Accepts(const std::uint8_t* data, std::size_t size) {
  return size >= 3 && std::memcmp(data, "GIF", 3) == 0;
}

void TGif::ReadColorTable(TReader& in, int count) {
  const std::uint8_t* rgb = in.Bytes(std::size_t(count) * 3);
  FPalette.resize(std::size_t(count));
  for (int i = 0; i < count; ++i)
    FPalette[std::size_t(i)] =
        (std::uint32_t(rgb[3 * i]) << 16) | (std::uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
}

void TGif::Load(const std::uint8_t* data, std::size_t size) {
  if (size < 13 || !Accepts(data, size)) throw EGifError("Not a valid .GIF picture");
  if (std::memcmp(data + 3, "87a", 3) != 0 && std::memcmp(data + 3, "89a", 3) != 0)
    throw EGifError("Invalid .GIF version");
  std::vector<std::uint8_t> bytes(data, data + size);
  *this = TGif();
  FData = std::move(bytes);
  TReader in(FData, 6);
  FWidth = in.Word();
  FHeight = in.Word();
  if (std::int64_t(FWidth) * FHeight > kMaxGifPixels) throw EGifError("Not a valid .GIF picture");
  const std::uint8_t packed = in.Byte();
  const std::uint8_t background = in.Byte();
  in.Byte();  // pixel aspect ratio
  const int count = 1 << ((packed & 7) + 1);
  FBitsPerPixel = count >= 17 ? 8 : count < 3 ? 1 : 4;
  if (packed & 0x80) ReadColorTable(in, count);
  FColorTable = FPalette;
  const std::uint8_t mask = std::uint8_t((1 << FBitsPerPixel) - 1);
  FIndices.assign(std::size_t(FWidth) * std::size_t(FHeight),
                  FBitsPerPixel == 1 ? std::uint8_t(background != 0) : background & mask);
  FNextFrame = (long long)in.Pos();
  ReadNextFrame();
}

bool TGif::ReadNextFrame() {
  if (FNextFrame < 0) return false;
  TReader in(FData, std::size_t(FNextFrame));
  FNextFrame = -1;
  bool decoded = false;
  bool hasControl = false;
  while (true) {
    const std::size_t start = in.Pos();
    const std::uint8_t block = in.Byte();
    if (block == 0x21) {
      const std::uint8_t label = in.Byte();
      if (label != 0xF9) {
        in.SkipBlocks();
        continue;
      }
      if (FFirstFrame < 0) {
        // The first graphic control extension: what follows is decoded by the next call.
        FAnimated = true;
        FFirstFrame = FNextFrame = (long long)start;
        break;
      }
      if (hasControl) {
        FNextFrame = (long long)start;
        break;
      }
      hasControl = true;
      const std::uint8_t length = in.Byte();
      const std::uint8_t* control = in.Bytes(length);
      FControl.assign(control, control + length);
      if (length != 0) in.SkipBlocks();
    } else if (block == 0x2C) {
      DecodeImage(in);
      decoded = true;
    } else if (block == 0x3B) {
      break;
    } else {
      in.SkipBlocks();
    }
  }
  FColorTable = FPalette;
  FTransparent = -1;
  if (FControl.size() >= 4 && (FControl[0] & 1) != 0) {
    FTransparent = FControl[3];
    if (std::size_t(FTransparent) < FColorTable.size()) FColorTable[std::size_t(FTransparent)] = 0;
  }
  return decoded;
}

void TGif::DecodeImage(TReader& in) {
  const int left = in.Word(), top = in.Word(), width = in.Word(), height = in.Word();
  const std::uint8_t packed = in.Byte();
  if (packed & 0x80) ReadColorTable(in, 1 << ((packed & 7) + 1));
  int codeBits = in.Byte();
  codeBits = std::max(codeBits, (packed & 7) + 1);
  if (codeBits > 11) throw EGifError("Error reading .GIF file");

  // Where the next pixel goes, rows in the order the interlace passes give them.
  const bool interlaced = (packed & 0x40) != 0;
  static constexpr std::array<int, 4> kPassStart = {0, 4, 2, 1};
  static constexpr std::array<int, 4> kPassStep = {8, 8, 4, 2};
  int pass = 0, row = 0, column = 0;
  bool filled = width == 0 || height == 0;
  const std::uint8_t mask = std::uint8_t((1 << FBitsPerPixel) - 1);
  auto put = [&](std::uint8_t index) {
    const int x = left + column, y = top + row;
    if (x < FWidth && y < FHeight)
      FIndices[std::size_t(y) * std::size_t(FWidth) + std::size_t(x)] = index & mask;
    if (++column < width) return;
    column = 0;
    if (!interlaced) {
      filled = ++row >= height;
      return;
    }
    row += kPassStep[std::size_t(pass)];
    while (row >= height && ++pass < 4) row = kPassStart[std::size_t(pass)];
    filled = pass >= 4;
  };

  // Codes come least significant bit first across the data sub-blocks.
  std::uint32_t bits = 0;
  int bitCount = 0;
  int blockLeft = 0;
  bool dataEnded = false;
  bool blockAfterFill = false;  // the current sub-block began after the last row was filled
  const int clear = 1 << codeBits, end = clear + 1;
  int size = codeBits + 1;
  auto readCode = [&]() -> int {
    while (bitCount < size) {
      if (blockLeft == 0) {
        blockLeft = in.Byte();
        if (blockLeft == 0) {
          dataEnded = true;
          return end;
        }
        blockAfterFill = filled;
      }
      bits |= std::uint32_t(in.Byte()) << bitCount;
      bitCount += 8;
      --blockLeft;
    }
    const int code = int(bits & ((1u << size) - 1));
    bits >>= size;
    bitCount -= size;
    return code;
  };

  std::array<std::uint16_t, kMaxCodes> prefix{};
  std::array<std::uint8_t, kMaxCodes> suffix{};
  std::array<std::uint8_t, kMaxCodes + 1> stack{};
  for (int i = 0; i < clear; ++i) suffix[std::size_t(i)] = std::uint8_t(i);
  int next = clear + 2, old = -1;
  std::uint8_t first = 0;
  while (true) {
    const int code = readCode();
    if (code == end) break;
    if (code == clear) {
      size = codeBits + 1;
      next = clear + 2;
      old = -1;
      continue;
    }
    if (code > next || (old < 0 && code >= clear)) throw EGifError("Error reading .GIF file");
    if (filled) {
      if (blockAfterFill) throw EGifError("Extra data beyond end of .GIf image");
      continue;  // pixels past the image's last row in the same sub-block are dropped
    }
    // The code's string, last character first.
    std::size_t depth = 0;
    int walk = code;
    if (code == next) {
      stack[depth++] = first;
      walk = old;
    }
    while (walk >= clear) {
      stack[depth++] = suffix[std::size_t(walk)];
      walk = prefix[std::size_t(walk)];
    }
    first = std::uint8_t(walk);
    stack[depth++] = first;
    while (depth > 0 && !filled) put(stack[--depth]);
    if (old >= 0 && next < kMaxCodes) {
      prefix[std::size_t(next)] = std::uint16_t(old);
      suffix[std::size_t(next)] = first;
      ++next;
      if (next == (1 << size) && size < 12) ++size;
    }
    old = code;
  }
  // Encoders may pad the sub-block that holds the end code and add more after it; all of it up
  // to the terminator belongs to this image.
  if (!dataEnded) {
    in.Bytes(std::size_t(blockLeft));
    in.SkipBlocks();
  }
}

TBitmap TGif::ToBitmap() const {
  TBitmap bitmap;
  bitmap.Width = FWidth;
  bitmap.Height = FHeight;
  bitmap.Pixels.resize(FIndices.size() * 3);
  for (std::size_t i = 0; i < FIndices.size(); ++i) {
    const std::uint32_t rgb = FIndices[i] < FColorTable.size() ? FColorTable[FIndices[i]] : 0;
    bitmap.Pixels[3 * i] = std::uint8_t(rgb >> 16);
    bitmap.Pixels[3 * i + 1] = std::uint8_t(rgb >> 8);
    bitmap.Pixels[3 * i + 2] = std::uint8_t(rgb);
  }
  return bitmap;
}

}  // namespace vexilon
