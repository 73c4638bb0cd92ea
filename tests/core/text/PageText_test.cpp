#include "core/text/PageText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexilon {
namespace {

// Every character 10 pixels wide, lines 12 high; records what is drawn where and in which colour.
class TFixedCanvas : public TPageCanvas {
 public:
  int TextWidth(std::string_view text) override {
    ++Measures;
    return int(text.size()) * 10;
  }
  int TextHeight(std::string_view) override { return 12; }
  void SetTextColor(TColorRef color) override { Color = color; }
  void TextOut(int x, int y, std::string_view text) override {
    Drawn.push_back(std::to_string(x) + "," + std::to_string(y) + ":" + std::string(text) + "@" +
                    std::to_string(Color));
  }
  std::vector<std::string> Drawn;
  TColorRef Color = kBlack;
  long long Measures = 0;
};

struct TRendered {
  TPageLayout Layout;
  std::vector<std::string> Drawn;
};

TRendered Render(std::string_view page, int width = 1000) {
  TFixedCanvas canvas;
  TRendered result{RenderPage(page, width, canvas, true), {}};
  result.Drawn = canvas.Drawn;
  return result;
}

TEST(PageText, MarkupBreaksLinesSetsColoursAndShowsEntities) {
  const struct {
    const char* Page;
    int Height;
    std::vector<std::string> Drawn;
  } rows[] = {
      {"a<br>b", 24, {"0,0:a@0", "0,12:b@0"}},
      {"a<BR><br>b", 36, {"0,0:a@0", "0,24:b@0"}},
      {"<p>x<nl>y<tr >z", 48, {"0,12:x@0", "0,24:y@0", "0,36:z@0"}},
      {"a<font color=blue>x</font>y", 12, {"0,0:a@0", "10,0:xy@16711680"}},
      {"&lt;&gt;&AMP;&nbsp;&copy;&#65;", 12, {"0,0:<>& &copy;&#65;@0"}},
      {"1 & 2<br>3", 12, {"0,0:1 2<br>3@0"}},  // an unclosed entity takes the rest
      {"a<b", 12, {"0,0:a@0"}},                // and so does an unclosed tag
      {"<b></b><br>", 0, {}},                  // no text: no page
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Page);
    const TRendered rendered = Render(row.Page);
    EXPECT_EQ(rendered.Layout.Height, row.Height);
    EXPECT_EQ(rendered.Drawn, row.Drawn);
  }
  EXPECT_EQ(Render("<BODY BGCOLOR='#FF0000'>x").Layout.Background, 0x0000FFu);
  EXPECT_EQ(Render("<body bgcolor=\"red\">x").Layout.Background, 0x0000FFu);
  EXPECT_EQ(Render("<body bgcolor=nothing>x").Layout.Background, kWhite);
}

TEST(PageText, LinesBreakAfterTheLastSpaceThatFitsOrInsideALongWord) {
  // 10 characters to a line.
  EXPECT_EQ(Render("one two three", 100).Drawn,
            (std::vector<std::string>{"0,0:one two @0", "0,12:three@0"}));
  EXPECT_EQ(Render("abcdefghijklmnop", 100).Drawn,
            (std::vector<std::string>{"0,0:abcdefghij@0", "0,12:klmnop@0"}));
  // Not even two characters fit: the text stays on its line.
  EXPECT_EQ(Render("abc", 15).Drawn, (std::vector<std::string>{"0,0:abc@0"}));
}

TEST(PageText, AHugePageCostsTimeInProportionToItsLength) {
  TFixedCanvas canvas;
  const std::string page(4 << 20, 'x');
  const TPageLayout layout = RenderPage(page, 640, canvas, false);
  EXPECT_EQ(layout.Height, int(page.size() / 64) * 12);
  // A few measurements per line, each of at most a line's characters.
  EXPECT_LT(canvas.Measures, (long long)(page.size() / 64) * 12);
}

TEST(PageText, ColoursByHexAndByName) {
  EXPECT_EQ(ParseColor("#00FF00", 0), 0x00FF00u);
  EXPECT_EQ(ParseColor("#GG0000", 0xFFFFFF), 0x0000FFu);
  EXPECT_EQ(ParseColor("#12FF0000", 0), 0x0000FFu);  // only the last six count
  EXPECT_EQ(ParseColor("#FFF", 7), 7u);
  EXPECT_EQ(ParseColor("NAVY", 0), 0x800000u);
  EXPECT_EQ(ParseColor("navy", 5), 5u);
}

}  // namespace
}  // namespace vexilon
