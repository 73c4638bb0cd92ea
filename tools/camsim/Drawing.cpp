#include "Drawing.h"

#include <algorithm>
#include <string>

namespace vexilon::camsim {
namespace {

// Rows of each digit, top first, the five low bits left to right.
constexpr std::uint8_t kDigits[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

constexpr int kAdvance = 6;  // five columns and a gap

}  // namespace

void FillRect(TBitmap& bitmap, int x, int y, int width, int height, TColour colour) {
  const int x0 = std::max(x, 0), x1 = std::min(x + width, bitmap.Width);
  const int y0 = std::max(y, 0), y1 = std::min(y + height, bitmap.Height);
  for (int row = y0; row < y1; ++row) {
    std::uint8_t* p = &bitmap.Pixels[(std::size_t(row) * bitmap.Width + x0) * 3];
    for (int col = x0; col < x1; ++col, p += 3) p[0] = colour.R, p[1] = colour.G, p[2] = colour.B;
  }
}

void FillCircle(TBitmap& bitmap, int cx, int cy, int radius, TColour colour) {
  for (int dy = -radius; dy <= radius; ++dy) {
    int half = 0;
    while ((half + 1) * (half + 1) + dy * dy <= radius * radius) ++half;
    FillRect(bitmap, cx - half, cy + dy, 2 * half + 1, 1, colour);
  }
}

int NumberWidth(int scale, std::uint64_t number) {
  return int(std::to_string(number).size()) * kAdvance * scale - scale;
}

int DrawNumber(TBitmap& bitmap, int x, int y, int scale, std::uint64_t number, TColour colour) {
  const std::string text = std::to_string(number);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint8_t* rows = kDigits[text[i] - '0'];
    const int left = x + int(i) * kAdvance * scale;
    for (int r = 0; r < 7; ++r) {
      for (int c = 0; c < 5; ++c) {
        if (rows[r] & (0x10 >> c))
          FillRect(bitmap, left + c * scale, y + r * scale, scale, scale, colour);
      }
    }
  }
  return NumberWidth(scale, number);
}

}  // namespace vexilon::camsim
