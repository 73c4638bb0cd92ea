#include "core/imaging/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace vexilon {
namespace {

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

// A smooth picture that survives JPEG well: red rises to the right, green downwards.
TBitmap Gradient(int width, int height) {
  TBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &b.Pixels[(std::size_t(y) * width + x) * 3];
      p[0] = std::uint8_t(x * 255 / std::max(1, width - 1));
      p[1] = std::uint8_t(y * 255 / std::max(1, height - 1));
      p[2] = 96;
    }
  }
  return b;
}

double MeanError(const TBitmap& a, const TBitmap& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.Pixels.size(); ++i) sum += std::abs(a.Pixels[i] - b.Pixels[i]);
  return sum / double(a.Pixels.size());
}

// Beside our own encoder's RGB, kinds it does not write: grey, progressive and (Adobe) CMYK.
enum class TKind { Rgb, Grey, Progressive, Cmyk };

std::string EncodeWithLibjpeg(TKind kind, int width, int height) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = kind == TKind::Grey ? 1 : kind == TKind::Cmyk ? 4 : 3;
  info.in_color_space = kind == TKind::Grey   ? JCS_GRAYSCALE
                        : kind == TKind::Cmyk ? JCS_CMYK
                                              : JCS_RGB;
  jpeg_set_defaults(&info);
  if (kind == TKind::Progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row(std::size_t(width) * info.input_components);
  while (info.next_scanline < info.image_height) {
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = std::uint8_t(i % 200 + 20);
    // CMYK as Adobe writes it (inverted): all 255 is white.
    if (kind == TKind::Cmyk) std::fill(row.begin(), row.end(), 255);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&info, &p, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string out(reinterpret_cast<char*>(buffer), size);
  std::free(buffer);
  return out;
}

// Writes width and height into the first baseline frame header (SOF0) of a JPEG file.
std::string WithSize(std::string jpeg, int width, int height) {
  const std::size_t sof = jpeg.find("\xFF\xC0");
  EXPECT_NE(sof, std::string::npos);
  jpeg[sof + 5] = char(height >> 8), jpeg[sof + 6] = char(height);
  jpeg[sof + 7] = char(width >> 8), jpeg[sof + 8] = char(width);
  return jpeg;
}

TEST(Jpeg, RoundTripKeepsSizeAndPictureAndScaledDecodingRoundsUp) {
  for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {640, 480}, {7, 300}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const TBitmap picture = Gradient(w, h);
    const std::string jpeg = EncodeJpeg(picture, 90);
    int width = 0, height = 0;
    ASSERT_TRUE(JpegSize(Bytes(jpeg), jpeg.size(), width, height));
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
    TBitmap decoded;
    ASSERT_TRUE(DecodeJpeg(Bytes(jpeg), jpeg.size(), decoded));
    ASSERT_EQ(decoded.Width, w);
    ASSERT_EQ(decoded.Height, h);
    ASSERT_EQ(decoded.Pixels.size(), picture.Pixels.size());
    EXPECT_LT(MeanError(decoded, picture), 4.0);
    // A decoded camera picture, 32-bit words 0xffRRGGBB, encodes to the same colours.
    std::vector<std::uint32_t> words;
    for (std::size_t i = 0; i + 2 < picture.Pixels.size(); i += 3)
      words.push_back(0xff000000u | picture.Pixels[i] << 16 | picture.Pixels[i + 1] << 8 |
                      picture.Pixels[i + 2]);
    const std::string fromWords = EncodeJpeg(reinterpret_cast<const std::uint8_t*>(words.data()), w,
                                             h, TPixelLayout::Xrgb32, 90);
    ASSERT_TRUE(DecodeJpeg(Bytes(fromWords), fromWords.size(), decoded));
    EXPECT_LT(MeanError(decoded, picture), 4.0);
    // Scaled decoding rounds up.
    for (int scale : {2, 4, 8}) {
      ASSERT_TRUE(DecodeJpeg(Bytes(jpeg), jpeg.size(), decoded, scale)) << scale;
      EXPECT_EQ(decoded.Width, (w + scale - 1) / scale);
      EXPECT_EQ(decoded.Height, (h + scale - 1) / scale);
      EXPECT_EQ(decoded.Pixels.size(), std::size_t(decoded.Width) * decoded.Height * 3);
    }
  }
  // Lower quality is smaller; out-of-range qualities are clamped, not refused. Only the scales
  // above decode.
  const TBitmap picture = Gradient(160, 120);
  const std::string jpeg = EncodeJpeg(picture, 10);
  EXPECT_LT(jpeg.size(), EncodeJpeg(picture, 95).size());
  EXPECT_FALSE(EncodeJpeg(picture, 0).empty());
  EXPECT_FALSE(EncodeJpeg(picture, 1000).empty());
  TBitmap out;
  for (int scale : {1, 0, 3, 16, -1})
    EXPECT_EQ(DecodeJpeg(Bytes(jpeg), jpeg.size(), out, scale), scale == 1) << scale;
}

// Grey, CMYK and progressive files decode to RGB; the decoder kept for a stream writes 32-bit
// words of the same colours, rows at the stride asked for, and neither a failed picture nor a
// change of size or kind spoils the next one.
TEST(Jpeg, EveryKindDecodesToRgbAndTheKeptDecoderPaintsTheSameWords) {
  TJpegDecoder decoder;
  const std::string garbage = "\xFF\xD8\xFF\xE0 not really a picture";
  const struct {
    TKind Kind;
    std::string Jpeg;
    int Width, Height;
  } pictures[] = {{TKind::Rgb, EncodeJpeg(Gradient(64, 40), 90), 64, 40},
                  {TKind::Cmyk, EncodeWithLibjpeg(TKind::Cmyk, 33, 20), 33, 20},
                  {TKind::Grey, EncodeWithLibjpeg(TKind::Grey, 17, 9), 17, 9},
                  {TKind::Progressive, EncodeWithLibjpeg(TKind::Progressive, 50, 30), 50, 30}};
  for (const auto& picture : pictures) {
    SCOPED_TRACE(int(picture.Kind));
    const std::string& jpeg = picture.Jpeg;
    TBitmap rgb;
    ASSERT_TRUE(DecodeJpeg(Bytes(jpeg), jpeg.size(), rgb));
    ASSERT_EQ(rgb.Width, picture.Width);
    ASSERT_EQ(rgb.Height, picture.Height);
    ASSERT_EQ(rgb.Pixels.size(), std::size_t(picture.Width) * picture.Height * 3);
    if (picture.Kind == TKind::Grey) {
      EXPECT_EQ(rgb.Pixels[30], rgb.Pixels[31]);
      EXPECT_EQ(rgb.Pixels[31], rgb.Pixels[32]);
    }
    if (picture.Kind == TKind::Cmyk) {
      EXPECT_GE(rgb.Pixels[0], 250);
      EXPECT_GE(rgb.Pixels[4], 250);
    }
    int width = 0, height = 0;
    std::vector<std::uint8_t> words;
    const TPixelAllocator allocate = [&words](int w, int h) {
      words.assign(std::size_t(w + 3) * 4 * std::size_t(h), 0);  // three words of padding
      return TPixelTarget{words.data(), std::size_t(w + 3) * 4};
    };
    EXPECT_FALSE(decoder.Decode(Bytes(garbage), garbage.size(), TPixelLayout::Xrgb32, 1,
                                TJpegDecode::Accurate, allocate, width, height));
    ASSERT_TRUE(decoder.Decode(Bytes(jpeg), jpeg.size(), TPixelLayout::Xrgb32, 1,
                               TJpegDecode::Accurate, allocate, width, height));
    ASSERT_EQ(width, rgb.Width);
    ASSERT_EQ(height, rgb.Height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        std::uint32_t word = 0;
        std::memcpy(&word, &words[(std::size_t(y) * (width + 3) + x) * 4], 4);
        const std::uint8_t* p = &rgb.Pixels[(std::size_t(y) * width + x) * 3];
        ASSERT_EQ(word, 0xff000000u | p[0] << 16 | p[1] << 8 | p[2]) << x << "," << y;
      }
    }
  }
  // An allocator that has no memory ends the decode without harm.
  int width = 0, height = 0;
  EXPECT_FALSE(decoder.Decode(
      Bytes(pictures[0].Jpeg), pictures[0].Jpeg.size(), TPixelLayout::Xrgb32, 2, TJpegDecode::Fast,
      [](int, int) { return TPixelTarget{}; }, width, height));
}

TEST(Jpeg, BrokenInputFailsCleanlyAndEveryCutPictureEitherFailsOrKeepsItsSize) {
  const std::string junk[] = {"",
                              "\xFF",
                              "\xFF\xD8",
                              "\xFF\xD8\xFF\xE0 this is not a picture",
                              std::string(1000, '\0'),
                              "<html>hello</html>"};
  for (const std::string& bytes : junk) {
    TBitmap out{5, 5, std::vector<std::uint8_t>(75)};
    int w = -1, h = -1;
    EXPECT_FALSE(JpegSize(Bytes(bytes), bytes.size(), w, h));
    EXPECT_FALSE(DecodeJpeg(Bytes(bytes), bytes.size(), out));
    EXPECT_EQ(out.Width, 0);
    EXPECT_TRUE(out.Pixels.empty());
  }
  EXPECT_FALSE(DecodeJpeg(nullptr, 10, *std::make_unique<TBitmap>()));

  const std::string jpeg = EncodeJpeg(Gradient(48, 40), 80);
  // Once the scan header is in, a cut picture still shows what arrived.
  const std::size_t sos = jpeg.find("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  const std::size_t scanStart =
      sos + 2 + std::size_t(std::uint8_t(jpeg[sos + 2])) * 256 + std::uint8_t(jpeg[sos + 3]);
  for (std::size_t n = 0; n <= jpeg.size(); ++n) {
    TBitmap out{5, 5, std::vector<std::uint8_t>(75)};
    if (DecodeJpeg(Bytes(jpeg), n, out)) {
      ASSERT_EQ(out.Width, 48) << n;
      ASSERT_EQ(out.Height, 40) << n;
    } else {
      ASSERT_LT(n, scanStart);
      ASSERT_TRUE(out.Pixels.empty()) << n;
    }
  }
}

TEST(Jpeg, RefusesHugePicturesBeforeDecoding) {
  const std::string small = EncodeJpeg(Gradient(16, 16), 80);
  struct {
    int W, H;
    bool Allowed;
  } cases[] = {{16384, 8, true}, {16385, 8, false}, {8, 16385, false}, {65535, 65535, false}};
  for (const auto& c : cases) {
    const std::string jpeg = WithSize(small, c.W, c.H);
    int w = 0, h = 0;
    EXPECT_EQ(JpegSize(Bytes(jpeg), jpeg.size(), w, h), c.Allowed) << c.W << "x" << c.H;
    if (!c.Allowed) {
      TBitmap out;
      EXPECT_FALSE(DecodeJpeg(Bytes(jpeg), jpeg.size(), out));
    }
  }
}

TEST(Jpeg, EncoderRefusesMalformedBitmaps) {
  TBitmap shortPixels = Gradient(10, 10);
  shortPixels.Pixels.resize(299);
  const TBitmap cases[] = {TBitmap{}, TBitmap{0, 10, {}}, TBitmap{10, -1, {}}, shortPixels,
                           TBitmap{20000, 1, std::vector<std::uint8_t>(60000)}};
  for (const TBitmap& b : cases) EXPECT_TRUE(EncodeJpeg(b, 80).empty());
}

}  // namespace
}  // namespace vexilon
