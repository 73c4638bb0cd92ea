#include "core/imaging/Bmp.h"

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

namespace vexilon {
namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

std::uint32_t Load32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
std::uint16_t Load16(const std::uint8_t* p) {
  return std::uint16_t(p[0] | p[1] << 8);
}

[[noreturn]] void Invalid(const char* why) {
  throw EBmpError(std::string("Not a valid bitmap picture: ") + why);
}

// One colour channel under mask, scaled to 8 bits.
struct TChannel {
  int Shift = 0, Bits = 0;
  explicit TChannel(std::uint32_t mask) {
    if (mask == 0) return;
    Shift = std::countr_zero(mask);
    Bits = std::popcount(mask >> Shift);
  }
  std::uint8_t Of(std::uint32_t pixel) const {
    if (Bits == 0) return 0;
    const std::uint32_t value = (pixel >> Shift) & ((std::uint64_t(1) << Bits) - 1);
    return Bits >= 8 ? std::uint8_t(value >> (Bits - 8))
                     : std::uint8_t(value * 255 / ((1u << Bits) - 1));
  }
};

// The palette indices of a run-length bitmap, rows top to bottom; pixels it skips or leaves
// out keep index 0. Runs and positions are clipped to the picture, and the data ends it.
std::vector<std::uint8_t> RunLengthIndices(const std::uint8_t* at, std::size_t size, int bits,
                                           int width, int height) {
  std::vector<std::uint8_t> indices(std::size_t(width) * std::size_t(height), 0);
  std::int64_t x = 0, y = 0;  // y counts from the bottom row, as the data does
  auto put = [&](std::uint8_t index) {
    if (x < width && y < height)
      indices[std::size_t(height - 1 - y) * std::size_t(width) + std::size_t(x)] = index;
    ++x;
  };
  // A nibble of a 4-bit run or absolute stretch: the high one first.
  auto nibble = [&](std::uint8_t byte, int i) {
    return bits == 4 ? std::uint8_t(i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte;
  };
  std::size_t pos = 0;
  while (pos + 2 <= size && y < height) {
    const int count = at[pos], value = at[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < width; ++i) put(nibble(std::uint8_t(value), i));
    } else if (value == 0) {
      x = 0;
      ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (pos + 2 > size) break;
      x += at[pos];
      y += at[pos + 1];
      pos += 2;
    } else {
      const std::size_t bytes = bits == 4 ? (std::size_t(value) + 1) / 2 : std::size_t(value);
      if (bytes > size - pos) break;
      for (int i = 0; i < value && x < width; ++i)
        put(nibble(at[pos + std::size_t(i * bits / 8)], i));
      pos += (bytes + 1) & ~std::size_t(1);  // padded to a whole word
    }
  }
  return indices;
}

}  // namespace

int DecodeBmp(const std::uint8_t* data, std::size_t size, TBitmap& out) {
  out = TBitmap();
  if (size < kFileHeader + 12) Invalid("too short");
  if (data[0] != 'B' || data[1] != 'M') Invalid("no BM signature");
  const std::uint32_t pixelOffset = Load32(data + 10);
  const std::uint8_t* info = data + kFileHeader;
  const std::uint32_t infoSize = Load32(info);
  if (infoSize < 12 || infoSize > size - kFileHeader) Invalid("damaged header");
  std::int64_t width, height;
  int bits;
  std::uint32_t compression = kRgb, colours = 0;
  if (infoSize == 12) {
    width = Load16(info + 4);
    height = std::int16_t(Load16(info + 6));
    bits = Load16(info + 10);
  } else {
    if (infoSize < 40) Invalid("damaged header");
    width = std::int32_t(Load32(info + 4));
    height = std::int32_t(Load32(info + 8));
    bits = Load16(info + 14);
    compression = Load32(info + 16);
    colours = Load32(info + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxJpegSide || height > kMaxJpegSide ||
      width * height > kMaxJpegPixels)
    Invalid("unsupported size");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Invalid("unsupported bit depth");
  const bool rle = (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4);
  if (compression != kRgb && !rle && !(compression == kBitFields && (bits == 16 || bits == 32)))
    Invalid("unsupported compression");
  if (rle && topDown) Invalid("a run-length bitmap cannot run top-down");

  // The masks of a bit-field bitmap follow a 40-byte header or lie within a newer one.
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  std::size_t tableAt = kFileHeader + infoSize;
  if (compression == kBitFields) {
    const bool follow = infoSize == 40;
    if ((follow && tableAt + 12 > size) || (!follow && infoSize < 52)) Invalid("damaged header");
    const std::uint8_t* at = follow ? data + tableAt : info + 40;
    for (int i = 0; i < 3; ++i) masks[i] = Load32(at + 4 * i);
    if (follow) tableAt += 12;
  }
  const TChannel red(masks[0]), green(masks[1]), blue(masks[2]);

  std::vector<std::uint32_t> palette;
  if (bits <= 8) {
    const std::size_t entry = infoSize == 12 ? 3 : 4;
    std::size_t count = colours == 0 || colours > (1u << bits) ? 1u << bits : colours;
    // Some writers leave the table short; the entries present are used, the rest are black.
    const std::size_t tableEnd = std::min<std::size_t>(size, pixelOffset);
    count = std::min(count, tableEnd > tableAt ? (tableEnd - tableAt) / entry : 0);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* c = data + tableAt + i * entry;
      palette.push_back(std::uint32_t(c[2]) << 16 | std::uint32_t(c[1]) << 8 | c[0]);
    }
  }

  if (rle) {
    if (pixelOffset > size) Invalid("the pixels are cut short");
    const std::vector<std::uint8_t> indices =
        RunLengthIndices(data + pixelOffset, size - pixelOffset, bits, int(width), int(height));
    out.Width = int(width);
    out.Height = int(height);
    out.Pixels.resize(indices.size() * 3);
    for (std::size_t i = 0; i < indices.size(); ++i) {
      const std::uint32_t rgb = indices[i] < palette.size() ? palette[indices[i]] : 0;
      out.Pixels[3 * i] = std::uint8_t(rgb >> 16);
      out.Pixels[3 * i + 1] = std::uint8_t(rgb >> 8);
      out.Pixels[3 * i + 2] = std::uint8_t(rgb);
    }
    return bits;
  }

  const std::size_t stride = (std::size_t(width) * std::size_t(bits) + 31) / 32 * 4;
  if (pixelOffset > size || stride * std::size_t(height) > size - pixelOffset)
    Invalid("the pixels are cut short");
  out.Width = int(width);
  out.Height = int(height);
  out.Pixels.resize(std::size_t(width) * std::size_t(height) * 3);
  for (std::int64_t y = 0; y < height; ++y) {
    const std::uint8_t* row =
        data + pixelOffset + stride * std::size_t(topDown ? y : height - 1 - y);
    std::uint8_t* target = out.Pixels.data() + std::size_t(y) * std::size_t(width) * 3;
    for (std::int64_t x = 0; x < width; ++x, target += 3) {
      std::uint32_t rgb = 0;
      if (bits <= 8) {
        const std::size_t bit = std::size_t(x) * std::size_t(bits);
        const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        rgb = index < palette.size() ? palette[index] : 0;
      } else {
        const std::uint8_t* p = row + std::size_t(x) * std::size_t(bits / 8);
        const std::uint32_t pixel = bits == 16   ? Load16(p)
                                    : bits == 24 ? std::uint32_t(p[0] | p[1] << 8 | p[2] << 16)
                                                 : Load32(p);
        rgb = bits == 24 ? pixel
                         : std::uint32_t(red.Of(pixel)) << 16 |
                               std::uint32_t(green.Of(pixel)) << 8 | blue.Of(pixel);
      }
      target[0] = std::uint8_t(rgb >> 16);
      target[1] = std::uint8_t(rgb >> 8);
      target[2] = std::uint8_t(rgb);
    }
  }
  return bits;
}

}  // namespace vexilon
