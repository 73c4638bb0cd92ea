#include "core/imaging/Gif.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexilon {
namespace {

// Builds small GIFs whose image data holds literal codes only (a clear code keeps the code
// width fixed), so that tests can state every pixel.
struct TGifLayout {
  int Width = 4, Height = 2;
  int ColourBits = 2;  // global table of 2^bits entries
  int Background = 0;
  std::vector<std::uint8_t> Pixels;  // Width × Height, in stored (interlaced) order
  bool Interlaced = false;
  int Transparent = -1;  // writes a graphic control extension when >= 0 (or -2: without)
  std::vector<std::uint8_t> ExtraCodes;  // a sub-block of literals after the image is full
};

class TBits {
 public:
  void Put(int code, int size) {
    FBits |= std::uint32_t(code) << FCount;
    FCount += size;
    while (FCount >= 8) {
      Bytes.push_back(char(FBits & 0xFF));
      FBits >>= 8;
      FCount -= 8;
    }
  }
  void Flush() {
    if (FCount > 0) Bytes.push_back(char(FBits & 0xFF));
    FBits = 0;
    FCount = 0;
  }
  std::string Bytes;

 private:
  std::uint32_t FBits = 0;
  int FCount = 0;
};

std::string Word(int value) {
  return {char(value & 0xFF), char(value >> 8)};
}

std::string SubBlocks(const std::string& data) {
  std::string out;
  for (std::size_t i = 0; i < data.size(); i += 255) {
    const std::string part = data.substr(i, 255);
    out += char(part.size()) + part;
  }
  return out;
}

std::string LiteralCodes(const std::vector<std::uint8_t>& pixels, int minSize, TBits& bits) {
  const int clear = 1 << minSize, size = minSize + 1;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    if (i % std::size_t(clear - 2) == 0) bits.Put(clear, size);
    bits.Put(pixels[i], size);
  }
  return {};
}

std::string BuildGif(const TGifLayout& layout) {
  std::string gif = "GIF89a" + Word(layout.Width) + Word(layout.Height);
  gif += char(0x80 | (layout.ColourBits - 1));
  gif += char(layout.Background);
  gif += char(0);
  for (int i = 0; i < (1 << layout.ColourBits); ++i) {
    gif += char(i * 10);
    gif += char(i * 20);
    gif += char(i * 30);
  }
  if (layout.Transparent != -1) {
    const bool on = layout.Transparent >= 0;
    gif += std::string("\x21\xF9\x04", 3) + char(on ? 1 : 0) + Word(10) +
           char(on ? layout.Transparent : 0) + char(0);
  }
  gif += char(0x2C) + Word(0) + Word(0) + Word(layout.Width) + Word(layout.Height);
  gif += char(layout.Interlaced ? 0x40 : 0);
  const int minSize = std::max(2, layout.ColourBits);
  gif += char(minSize);
  TBits bits;
  LiteralCodes(layout.Pixels, minSize, bits);
  if (!layout.ExtraCodes.empty()) {
    bits.Flush();
    gif += SubBlocks(bits.Bytes);
    bits.Bytes.clear();
    LiteralCodes(layout.ExtraCodes, minSize, bits);
  }
  bits.Put((1 << minSize) + 1, minSize + 1);
  bits.Flush();
  gif += SubBlocks(bits.Bytes) + char(0) + char(0x3B);
  return gif;
}

TGif Loaded(const std::string& bytes) {
  TGif gif;
  gif.Load(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return gif;
}

std::string FailureOf(const std::string& bytes) {
  try {
    Loaded(bytes);
  } catch (const EGifError& e) {
    return e.what();
  }
  return "loaded";
}

TEST(Gif, DecodesEveryPixelAtTheScreensBitDepth) {
  const struct { int ColourBits, Depth; } rows[] = {{1, 1}, {4, 4}, {5, 8}, {8, 8}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ColourBits);
    TGifLayout layout;
    layout.Width = 7;
    layout.Height = 3;
    layout.ColourBits = row.ColourBits;
    for (int i = 0; i < layout.Width * layout.Height; ++i)
      layout.Pixels.push_back(std::uint8_t(i % (1 << row.ColourBits)));
    const TGif gif = Loaded(BuildGif(layout));
    EXPECT_EQ(gif.BitsPerPixel(), row.Depth);
    EXPECT_FALSE(gif.Animated());
    EXPECT_EQ(gif.Indices(), layout.Pixels);
    const TBitmap bitmap = gif.ToBitmap();
    EXPECT_EQ(bitmap.Pixels[3 * 1 + 1], 20);  // pixel 1 has colour 1: (10, 20, 30)
  }
}

TEST(Gif, InterlacedRowsComeInFourPasses) {
  TGifLayout layout;
  layout.Width = 1;
  layout.Height = 10;
  layout.ColourBits = 4;
  layout.Interlaced = true;
  layout.Pixels = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};  // each row's number, in stored order
  EXPECT_EQ(Loaded(BuildGif(layout)).Indices(),
            (std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(Gif, AControlExtensionMakesItAnimatedWithTheImageOneStepLater) {
  TGifLayout layout;
  layout.Background = 3;
  layout.Pixels = {1, 2, 1, 2, 2, 1, 2, 1};
  layout.Transparent = 2;
  const std::string bytes = BuildGif(layout);
  TGif gif = Loaded(bytes);
  EXPECT_TRUE(gif.Animated());
  EXPECT_EQ(gif.Indices(), std::vector<std::uint8_t>(8, 3));  // the background only
  EXPECT_TRUE(gif.ReadNextFrame());
  EXPECT_EQ(gif.Indices(), layout.Pixels);
  EXPECT_EQ(gif.TransparentIndex(), 2);
  EXPECT_EQ(gif.ColorTable()[2], 0u);
  EXPECT_EQ(gif.ColorTable()[1], 0x0A141Eu);
  EXPECT_FALSE(gif.ReadNextFrame());

  // A camera's frame shows the image, not the background.
  TBitmap bitmap;
  ASSERT_TRUE(DecodeGif(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), bitmap));
  EXPECT_EQ(bitmap.Pixels[0], 10);
}

TEST(Gif, BrokenAndHostilePicturesFailWithTheirReason) {
  TGifLayout layout;
  layout.Pixels = std::vector<std::uint8_t>(8, 1);
  const std::string good = BuildGif(layout);
  TGifLayout extra = layout;
  extra.ExtraCodes = {1, 1, 1};
  std::string huge = good;
  huge.replace(6, 4, "\xFF\xFF\xFF\xFF");
  std::string wideCodes = good;
  wideCodes[good.find('\x2C') + 10] = 12;  // LZW minimum code size
  const struct {
    std::string Bytes;
    const char* Failure;
  } rows[] = {
      {good.substr(0, 12), "Not a valid .GIF picture"},
      {"PNG" + good.substr(3), "Not a valid .GIF picture"},
      {"GIF88a" + good.substr(6), "Invalid .GIF version"},
      {good.substr(0, good.size() - 6), "Premature end of file in .GIF file"},
      {BuildGif(extra), "Extra data beyond end of .GIf image"},
      {huge, "Not a valid .GIF picture"},
      {wideCodes, "Error reading .GIF file"},
  };
  for (const auto& row : rows) EXPECT_EQ(FailureOf(row.Bytes), row.Failure);
  EXPECT_EQ(FailureOf(good), "loaded");
}

}  // namespace
}  // namespace vexilon
