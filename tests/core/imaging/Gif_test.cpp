#include "core/imaging/Gif.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/imaging/Picture.h"

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

// The codes an encoder writes: the clear code, then the longest known string at each step, the
// table and the code width growing as it goes. A full table is cleared at once, or kept while
// codes go on at 12 bits (clearWhenFull false).
void LzwCodes(const std::vector<std::uint8_t>& pixels, int minSize, bool clearWhenFull,
              TBits& bits) {
  const int clear = 1 << minSize;
  int size = minSize + 1, next = clear + 2;
  std::map<std::pair<int, int>, int> table;
  bits.Put(clear, size);
  int prefix = -1;
  for (const std::uint8_t pixel : pixels) {
    if (prefix < 0) {
      prefix = pixel;
      continue;
    }
    if (const auto known = table.find({prefix, pixel}); known != table.end()) {
      prefix = known->second;
      continue;
    }
    bits.Put(prefix, size);
    if (next < 4096) {
      table[{prefix, pixel}] = next++;
      // The decoder adds each entry one code later, so its width grows one code later too.
      if (next > (1 << size) && size < 12) ++size;
    } else if (clearWhenFull) {
      bits.Put(clear, size);
      table.clear();
      next = clear + 2;
      size = minSize + 1;
    }
    prefix = pixel;
  }
  if (prefix >= 0) bits.Put(prefix, size);
  bits.Put(clear + 1, size);
  bits.Flush();
}

// A GIF89a of full-screen frames, each after a graphic control extension; afterEnd follows a
// frame's end code within its last data sub-block, then one more sub-block before the
// terminator, as some encoders leave padding there.
struct TLzwFrame {
  std::vector<std::uint8_t> Pixels;
  bool ClearWhenFull = true;
  std::string AfterEnd;
};
std::string BuildLzwGif(int width, int height, int colourBits,
                        const std::vector<TLzwFrame>& frames) {
  TGifLayout layout;
  layout.Width = width;
  layout.Height = height;
  layout.ColourBits = colourBits;
  std::string gif = BuildGif(layout);
  gif.resize(13 + 3 * (std::size_t(1) << colourBits));  // the header and colour table
  const int minSize = std::max(2, colourBits);
  for (const TLzwFrame& frame : frames) {
    gif += std::string("\x21\xF9\x04\x00\x0A\x00\x00\x00", 8);
    gif += char(0x2C) + Word(0) + Word(0) + Word(width) + Word(height) + char(0) + char(minSize);
    TBits bits;
    LzwCodes(frame.Pixels, minSize, frame.ClearWhenFull, bits);
    gif += SubBlocks(bits.Bytes + frame.AfterEnd);
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
  const TDecodedPicture picture =
      DecodePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  ASSERT_TRUE(picture.Decoded()) << picture.Error;
  EXPECT_EQ(picture.Bitmap.Pixels[0], 10);
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

TEST(Gif, EncodedStringsDecodeAtEveryCodeWidth) {
  std::mt19937 random(7);
  auto noise = [&](int count, int colours) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(count));
    for (auto& p : pixels) p = std::uint8_t(random() % unsigned(colours));
    return pixels;
  };
  auto pattern = [](int count, int colours, int run) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) pixels[std::size_t(i)] = std::uint8_t(i / run % colours);
    return pixels;
  };
  const struct {
    const char* Name;
    int Width, Height, ColourBits;
    std::vector<std::uint8_t> Pixels;
    bool ClearWhenFull;
  } rows[] = {
      {"one colour: strings that repeat their own last code", 64, 64, 1, pattern(4096, 2, 4096),
       true},
      {"runs of 16 colours", 90, 40, 4, pattern(3600, 16, 7), true},
      {"two-colour noise", 120, 80, 1, noise(9600, 2), true},
      {"256-colour noise fills the table", 160, 100, 8, noise(16000, 256), true},
      {"full table kept at 12 bits", 160, 100, 8, noise(16000, 256), false},
      {"32 colours, table kept", 200, 100, 5, noise(20000, 32), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    const TGif gif = Loaded(
        BuildLzwGif(row.Width, row.Height, row.ColourBits, {{row.Pixels, row.ClearWhenFull, ""}}));
    ASSERT_TRUE(gif.Animated());
    TGif stepped = gif;
    EXPECT_TRUE(stepped.ReadNextFrame());
    EXPECT_EQ(stepped.Indices(), row.Pixels);
  }
}

TEST(Gif, DataLeftAfterTheEndCodeIsSkipped) {
  const std::vector<std::uint8_t> first(48, 1), second = {0, 1, 2, 3, 3, 2, 1, 0, 2, 2, 2, 2};
  std::vector<std::uint8_t> secondScreen(48, 1);
  std::copy(second.begin(), second.end(), secondScreen.begin());
  TGif gif = Loaded(BuildLzwGif(12, 4, 2,
                                {{first, true, std::string("\xFF\x10\x00\x07", 4)},
                                 {std::vector<std::uint8_t>(48, 1), true, "\xFF"},
                                 {secondScreen, true, ""}}));
  for (int frame = 0; frame < 3; ++frame) {
    SCOPED_TRACE(frame);
    ASSERT_TRUE(gif.ReadNextFrame());
  }
  EXPECT_EQ(gif.Indices(), secondScreen);
  EXPECT_FALSE(gif.ReadNextFrame());

  // A picture made by ffmpeg has such padding in its second frame.
  std::ifstream file(std::string(VEXILON_TEST_DATA) + "/animated.gif", std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), {}};
  TGif animated = Loaded(bytes);
  int frames = 0;
  while (animated.ReadNextFrame()) ++frames;
  EXPECT_EQ(frames, 3);
}

}  // namespace
}  // namespace vexilon
