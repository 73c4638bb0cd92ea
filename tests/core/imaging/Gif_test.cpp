#include "core/imaging/Gif.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/imaging/Picture.h"

namespace vexilon {
namespace {

using TPixels = std::vector<std::uint8_t>;

std::string Word(int value) {
  return {char(value & 0xFF), char(value >> 8)};
}

// The codes an encoder writes, least significant bit first: the clear code, then the longest
// known string at each step, the table and the code width growing as it goes, then the end code.
// A full table is cleared at once, or kept while codes go on at 12 bits (clearWhenFull false).
std::string LzwCodes(const TPixels& pixels, int minSize, bool clearWhenFull) {
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  auto put = [&](int code, int size) {
    bits |= std::uint32_t(code) << count;
    for (count += size; count >= 8; count -= 8, bits >>= 8) bytes += char(bits & 0xFF);
  };
  const int clear = 1 << minSize;
  int size = minSize + 1, next = clear + 2, prefix = pixels.at(0);
  std::map<std::pair<int, int>, int> table;
  put(clear, size);
  for (const std::uint8_t pixel : std::vector(pixels.begin() + 1, pixels.end())) {
    if (const auto known = table.find({prefix, pixel}); known != table.end()) {
      prefix = known->second;
      continue;
    }
    put(prefix, size);
    if (next < 4096) {
      table[{prefix, pixel}] = next++;
      // The decoder adds each entry one code later, so its width grows one code later too.
      if (next > (1 << size) && size < 12) ++size;
    } else if (clearWhenFull) {
      put(clear, size);
      table.clear();
      next = clear + 2;
      size = minSize + 1;
    }
    prefix = pixel;
  }
  put(prefix, size);
  put(clear + 1, size);
  if (count > 0) bytes += char(bits & 0xFF);
  return bytes;
}

struct TFrame {
  TPixels Pixels;  // in stored (interlaced) order; those beyond the image are extra data
  bool ClearWhenFull = true;
  std::string AfterEnd = {};  // follows the end code in its sub-block, then one more sub-block
};

// A GIF89a whose frames cover the screen; colour i of the global table is (10i, 20i, 30i).
struct TGifLayout {
  int Width = 4, Height = 2, ColourBits = 2, Background = 0;
  bool Interlaced = false;
  bool Animated = false;  // a graphic control extension before each frame
  int Transparent = -1;
  std::size_t SubBlock = 255;
  std::vector<TFrame> Frames;
};

std::string BuildGif(const TGifLayout& g) {
  std::string gif = "GIF89a" + Word(g.Width) + Word(g.Height) + char(0x80 | (g.ColourBits - 1)) +
                    char(g.Background) + char(0);
  for (int i = 0; i < (1 << g.ColourBits); ++i) gif += {char(i * 10), char(i * 20), char(i * 30)};
  const int minSize = std::max(2, g.ColourBits);
  for (const TFrame& frame : g.Frames) {
    if (g.Animated)
      gif += std::string("\x21\xF9\x04", 3) + char(g.Transparent >= 0) + Word(10) +
             char(std::max(0, g.Transparent)) + char(0);
    gif += char(0x2C) + Word(0) + Word(0) + Word(g.Width) + Word(g.Height) +
           char(g.Interlaced ? 0x40 : 0) + char(minSize);
    const std::string data = LzwCodes(frame.Pixels, minSize, frame.ClearWhenFull) + frame.AfterEnd;
    for (std::size_t i = 0; i < data.size(); i += g.SubBlock)
      gif += char(std::min(g.SubBlock, data.size() - i)) + data.substr(i, g.SubBlock);
    if (!frame.AfterEnd.empty()) gif += std::string("\x03pad", 4);
    gif += char(0);
  }
  return gif + char(0x3B);
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

TEST(Gif, EncodedStringsDecodeAtEveryCodeWidthAndScreenDepth) {
  std::mt19937 random(7);
  auto noise = [&](int count, int colours) {
    TPixels pixels(static_cast<std::size_t>(count));
    for (auto& p : pixels) p = std::uint8_t(random() % unsigned(colours));
    return pixels;
  };
  auto pattern = [](int count, int colours, int run) {
    TPixels pixels(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) pixels[std::size_t(i)] = std::uint8_t(i / run % colours);
    return pixels;
  };
  const struct {
    const char* Name;
    int Width, Height, ColourBits, Depth;
    TPixels Pixels;
    bool ClearWhenFull;
  } rows[] = {
      {"one colour: strings that repeat their own last code", 64, 64, 1, 1, pattern(4096, 2, 4096),
       true},
      {"runs of 16 colours", 90, 40, 4, 4, pattern(3600, 16, 7), true},
      {"two-colour noise", 120, 80, 1, 1, noise(9600, 2), true},
      {"256-colour noise fills the table", 160, 100, 8, 8, noise(16000, 256), true},
      {"full table kept at 12 bits", 160, 100, 8, 8, noise(16000, 256), false},
      {"32 colours, table kept", 200, 100, 5, 8, noise(20000, 32), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    const TGif gif = Loaded(BuildGif({.Width = row.Width,
                                      .Height = row.Height,
                                      .ColourBits = row.ColourBits,
                                      .Frames = {{row.Pixels, row.ClearWhenFull}}}));
    EXPECT_FALSE(gif.Animated());
    EXPECT_EQ(gif.BitsPerPixel(), row.Depth);
    EXPECT_EQ(gif.Indices(), row.Pixels);
  }
}

TEST(Gif, InterlacedRowsComeInFourPasses) {
  // Each row's number, in stored order.
  const TGif gif = Loaded(BuildGif({.Width = 1,
                                    .Height = 10,
                                    .ColourBits = 4,
                                    .Interlaced = true,
                                    .Frames = {{{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}}}}));
  EXPECT_EQ(gif.Indices(), (TPixels{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(Gif, AControlExtensionMakesItAnimatedWithTheImageOneStepLater) {
  const TPixels pixels = {1, 2, 1, 2, 2, 1, 2, 1};
  const std::string bytes =
      BuildGif({.Background = 3, .Animated = true, .Transparent = 2, .Frames = {{pixels}}});
  TGif gif = Loaded(bytes);
  EXPECT_TRUE(gif.Animated());
  EXPECT_EQ(gif.Indices(), TPixels(8, 3));  // the background only
  EXPECT_TRUE(gif.ReadNextFrame());
  EXPECT_EQ(gif.Indices(), pixels);
  EXPECT_EQ(gif.TransparentIndex(), 2);
  EXPECT_EQ(gif.ColorTable()[2], 0u);
  EXPECT_EQ(gif.ColorTable()[1], 0x0A141Eu);
  EXPECT_FALSE(gif.ReadNextFrame());

  // A camera's frame shows the image, not the background.
  const TDecodedPicture picture =
      DecodePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  ASSERT_TRUE(picture.Decoded()) << picture.Error;
  EXPECT_EQ(TPixels(picture.Bitmap.Pixels.begin(), picture.Bitmap.Pixels.begin() + 3),
            (TPixels{10, 20, 30}));
}

TEST(Gif, BrokenAndHostilePicturesFailWithTheirReason) {
  const TGifLayout layout{.Frames = {{TPixels(8, 1)}}};
  const std::string good = BuildGif(layout);
  // Codes that go on in a sub-block begun after the image is full.
  TGifLayout extra = layout;
  extra.SubBlock = 1;
  extra.Frames[0].Pixels.resize(20, 1);
  std::string huge = good;
  huge.replace(6, 4, "\xFF\xFF\xFF\xFF");
  std::string wideCodes = good;
  wideCodes[good.find('\x2C') + 10] = 12;  // LZW minimum code size
  const struct {
    std::string Bytes;
    const char* Failure;
  } rows[] = {
      {good, "loaded"},
      {good.substr(0, 12), "Not a valid .GIF picture"},
      {"PNG" + good.substr(3), "Not a valid .GIF picture"},
      {"GIF88a" + good.substr(6), "Invalid .GIF version"},
      {good.substr(0, good.size() - 6), "Premature end of file in .GIF file"},
      {BuildGif(extra), "Extra data beyond end of .GIf image"},
      {huge, "Not a valid .GIF picture"},
      {wideCodes, "Error reading .GIF file"},
  };
  for (const auto& row : rows) EXPECT_EQ(FailureOf(row.Bytes), row.Failure);
}

TEST(Gif, DataLeftAfterTheEndCodeIsSkipped) {
  TPixels second(48, 1);
  const TPixels start = {0, 1, 2, 3, 3, 2, 1, 0, 2, 2, 2, 2};
  std::copy(start.begin(), start.end(), second.begin());
  TGif gif = Loaded(BuildGif({.Width = 12,
                              .Height = 4,
                              .Animated = true,
                              .Frames = {{TPixels(48, 1), true, std::string("\xFF\x10\x00\x07", 4)},
                                         {TPixels(48, 1), true, "\xFF"},
                                         {second}}}));
  for (int frame = 0; frame < 3; ++frame) ASSERT_TRUE(gif.ReadNextFrame()) << frame;
  EXPECT_EQ(gif.Indices(), second);
  EXPECT_FALSE(gif.ReadNextFrame());
}

}  // namespace
}  // namespace vexilon
