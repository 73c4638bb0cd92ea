#include "core/imaging/Bmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexilon {
namespace {

using namespace std::string_literals;

std::string Le(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xff);
  return out;
}

// A bitmap file with a 40-byte header, a palette of entries 0x00RRGGBB and pixel data as given.
std::string Bmp(int width, int height, int bits, int compression,
                const std::vector<std::uint32_t>& palette, const std::string& pixels) {
  const std::size_t offset = 14 + 40 + palette.size() * 4;
  std::string file =
      "BM" + Le(std::uint32_t(offset + pixels.size()), 4) + Le(0, 4) + Le(std::uint32_t(offset), 4);
  file += Le(40, 4) + Le(std::uint32_t(width), 4) + Le(std::uint32_t(height), 4) + Le(1, 2) +
          Le(std::uint32_t(bits), 2) + Le(std::uint32_t(compression), 4) + Le(0, 4) + Le(0, 4) +
          Le(0, 4) + Le(std::uint32_t(palette.size()), 4) + Le(0, 4);
  for (const std::uint32_t colour : palette) file += Le(colour, 4);
  return file + pixels;
}

// Each pixel's red, for pictures whose colours differ in red.
std::string Reds(const TBitmap& bitmap) {
  std::string reds;
  for (std::size_t i = 0; i < bitmap.Pixels.size(); i += 3) reds += char(bitmap.Pixels[i]);
  return reds;
}

TEST(Bmp, DecodesRowsRunsAndMasks) {
  const std::vector<std::uint32_t> palette = {0x000000, 0x010000, 0x020000, 0x030000};
  const struct {
    const char* Name;
    std::string File;
    int Bits;
    std::string Reds;  // top row first
  } rows[] = {
      {"4 bits, bottom-up rows padded to words",
       Bmp(3, 2, 4, 0, palette, "\x30\x00\x00\x00\x12\x30\x00\x00"s), 4,
       "\x01\x02\x03\x03\x00\x00"s},
      {"8 bits, top-down", Bmp(2, -2, 8, 0, palette, "\x01\x02\x00\x00\x03\x00\x00\x00"s), 8,
       "\x01\x02\x03\x00"s},
      // Bottom row: a run of three 1s; then end of line, runs of one 2 and one 3, end of bitmap.
      {"run-length, 8 bits", Bmp(3, 2, 8, 1, palette, "\x03\x01\x00\x00\x01\x02\x01\x03\x00\x01"s),
       8, "\x02\x03\x00\x01\x01\x01"s},
      // Runs alternate nibbles; after the end of the line a delta skips a pixel, then three
      // nibbles come as they are, padded to a word; the rest stays index 0.
      {"run-length, 4 bits",
       Bmp(4, 2, 4, 2, palette, "\x03\x12\x00\x00\x00\x02\x01\x00\x00\x03\x12\x30\x00\x01"s), 4,
       "\x00\x01\x02\x03\x01\x02\x01\x00"s},
      {"16 bits, 5-5-5", Bmp(1, 1, 16, 0, {}, "\x00\x7C\x00\x00"s), 16, "\xFF"s},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    TBitmap bitmap;
    EXPECT_EQ(
        DecodeBmp(reinterpret_cast<const std::uint8_t*>(row.File.data()), row.File.size(), bitmap),
        row.Bits);
    EXPECT_EQ(Reds(bitmap), row.Reds);
  }
}

TEST(Bmp, RefusesBrokenAndHostileFiles) {
  const std::string good = Bmp(2, 2, 24, 0, {}, std::string(16, '\x7F'));
  const struct {
    std::string File;
    const char* Reason;
  } rows[] = {
      {"XX" + good.substr(2), "no BM signature"},
      {good.substr(0, 20), "too short"},
      {good.substr(0, 14) + Le(1000, 4) + good.substr(18), "damaged header"},
      {good.substr(0, good.size() - 1), "the pixels are cut short"},
      {Bmp(70000, 70000, 24, 0, {}, ""), "unsupported size"},
      {Bmp(2, 2, 7, 0, {}, ""), "unsupported bit depth"},
      {Bmp(2, 2, 24, 4, {}, ""), "unsupported compression"},
      {Bmp(2, -2, 8, 1, {}, ""), "cannot run top-down"},
  };
  for (const auto& row : rows) {
    TBitmap bitmap;
    try {
      DecodeBmp(reinterpret_cast<const std::uint8_t*>(row.File.data()), row.File.size(), bitmap);
      ADD_FAILURE() << row.Reason;
    } catch (const EBmpError& e) {
      EXPECT_NE(std::string(e.what()).find(row.Reason), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace vexilon
