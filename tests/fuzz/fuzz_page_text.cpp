// Pages of text with a little markup from untrusted bytes: measuring and drawing agree on the
// height, text never goes left of the page, and a page costs time in proportion to its length.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "core/text/PageText.h"

using namespace vexilon;

namespace {

class TFixedCanvas : public TPageCanvas {
 public:
  int TextWidth(std::string_view text) override { return int(text.size()) * 6; }
  int TextHeight(std::string_view) override { return 12; }
  void TextOut(int x, int, std::string_view) override { Check(x >= 0); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int width = 1 + data[0] * 4;
  const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);
  TFixedCanvas canvas;
  const TPageLayout measured = RenderPage(page, width, canvas, false);
  const TPageLayout drawn = RenderPage(page, width, canvas, true, 600);
  Check(measured.Height >= 0);
  Check(measured.Height == drawn.Height);
  Check(measured.Background == drawn.Background);
  ParseColor(page, kWhite);
  return 0;
}
