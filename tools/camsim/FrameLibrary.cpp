#include "FrameLibrary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "Drawing.h"

namespace vexilon::camsim {
namespace {

TColour Hue(int degrees, double value) {
  const double h = double(degrees % 360) / 60.0;
  const double x = 1.0 - std::fabs(std::fmod(h, 2.0) - 1.0);
  double r = 0, g = 0, b = 0;
  switch (int(h)) {
    case 0:
      r = 1, g = x;
      break;
    case 1:
      r = x, g = 1;
      break;
    case 2:
      g = 1, b = x;
      break;
    case 3:
      g = x, b = 1;
      break;
    case 4:
      r = x, b = 1;
      break;
    default:
      r = 1, b = x;
      break;
  }
  return {std::uint8_t(r * value * 255), std::uint8_t(g * value * 255),
          std::uint8_t(b * value * 255)};
}

bool Contains(const std::string& bytes, const char* text) {
  return memmem(bytes.data(), bytes.size(), text, std::strlen(text)) != nullptr;
}

}  // namespace

TBitmap RenderFrame(int scene, int width, int height, int index, int loopFrames) {
  TBitmap b{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  const int hue = scene * 47 + 200;
  const double phase = 2 * std::numbers::pi * index / loopFrames;

  // A gradient with diagonal stripes that scroll two periods per loop, so the loop is seamless.
  constexpr int kStripe = 32;
  const int shift = index * 4 * kStripe / loopFrames;
  for (int y = 0; y < height; ++y) {
    const TColour dark = Hue(hue, 0.25 + 0.5 * y / height);
    const TColour light = Hue(hue + 20, 0.35 + 0.6 * y / height);
    std::uint8_t* p = &b.Pixels[std::size_t(y) * width * 3];
    for (int x = 0; x < width; ++x, p += 3) {
      const TColour c = ((x + y + shift) / kStripe) % 2 ? light : dark;
      p[0] = c.R, p[1] = c.G, p[2] = c.B;
    }
  }

  const int radius = std::max(2, height / 8);
  const int cx = width / 2 + int((width / 2 - radius - 2) * std::sin(phase));
  const int cy = height / 2 + int((height / 2 - radius - 2) * std::sin(2 * phase + 1));
  FillCircle(b, cx, cy, radius, Hue(hue + 180, 1.0));

  const int bar = std::max(2, height / 40);
  FillRect(b, 0, height - bar, width * (index + 1) / loopFrames, bar, {255, 255, 255});

  const int scale = std::max(1, height / 48);
  const int margin = scale * 2;
  FillRect(b, 0, 0, NumberWidth(scale, std::uint64_t(index)) + 2 * margin, 7 * scale + 2 * margin,
           {0, 0, 0});
  DrawNumber(b, margin, margin, scale, std::uint64_t(index), {255, 255, 255});
  return b;
}

bool HoldsDelimiter(const std::string& bytes) {
  return Contains(bytes, "<END>") || Contains(bytes, "-camsim");
}

TFrameLibrary::TFrameLibrary(int loopFrames, int quality)
    : FLoopFrames(std::max(1, loopFrames)), FQuality(quality) {}

TFrameLibrary::TLoop* TFrameLibrary::FindLoop(int scene, int width, int height) {
  std::lock_guard lock(FMutex);
  auto& loop = FLoops[{scene, width, height}];
  if (!loop) {
    if (FLoops.size() > kMaxLoops) {
      FLoops.erase({scene, width, height});
      return nullptr;
    }
    loop = std::make_unique<TLoop>();
    loop->Frames.resize(std::size_t(FLoopFrames));
  }
  return loop.get();
}

TFrameLibrary::TFrame TFrameLibrary::Encode(int scene, int width, int height, int index) const {
  const TBitmap picture = RenderFrame(scene, width, height, index, FLoopFrames);
  // A picture that happens to hold a delimiter would be cut short: encode it a little
  // differently. It never comes to that in practice, but the check is cheap.
  std::string jpeg;
  for (int quality = FQuality; quality > 0; --quality) {
    jpeg = EncodeJpeg(picture, quality);
    if (!HoldsDelimiter(jpeg)) break;
  }
  return std::make_shared<const std::string>(std::move(jpeg));
}

TFrameLibrary::TFrame TFrameLibrary::Frame(int scene, int width, int height, std::uint64_t n) {
  TLoop* loop = FindLoop(scene, width, height);
  if (loop == nullptr) return nullptr;
  const std::size_t index = std::size_t(n % std::uint64_t(FLoopFrames));
  {
    std::lock_guard lock(loop->Mutex);
    if (loop->Frames[index]) return loop->Frames[index];
  }
  // Encoded outside the lock: streams of the same scene do not wait for each other, and
  // the rare double encoding of one frame is harmless.
  TFrame frame = Encode(scene, width, height, int(index));
  std::lock_guard lock(loop->Mutex);
  if (!loop->Frames[index]) loop->Frames[index] = std::move(frame);
  return loop->Frames[index];
}

}  // namespace vexilon::camsim
