#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vexilon {

// A colour as pages state it: 0x00BBGGRR, blue in the high byte.
using TColorRef = std::uint32_t;
inline constexpr TColorRef kWhite = 0xFFFFFF;
inline constexpr TColorRef kBlack = 0x000000;

// "#RRGGBB" (only the last six characters count; a pair that is not hexadecimal keeps that
// component of def) or one of the sixteen colour names; text is already upper case.
TColorRef ParseColor(std::string_view text, TColorRef def);

// Where a page is measured and drawn; the toolkit's canvas behind it.
class TPageCanvas {
 public:
  virtual ~TPageCanvas() = default;
  virtual int TextWidth(std::string_view text) = 0;
  virtual int TextHeight(std::string_view text) = 0;
  virtual void SetTextColor(TColorRef) {}
  virtual void TextOut(int /*x*/, int /*y*/, std::string_view /*text*/) {}
};

struct TPageLayout {
  int Height = 0;  // of the whole page, the top of the line after the last
  TColorRef Background = kWhite;
};

// One pass over a page of text with a little markup (BR, NL, P and TR break lines, BODY
// BGCOLOR and FONT COLOR set colours, four entities), wrapping at width. With draw off it
// only measures. Lines below maxHeight are measured but not drawn, so a huge page costs time
// in proportion to its length and no more.
TPageLayout RenderPage(std::string_view payload, int width, TPageCanvas& canvas, bool draw,
                       int maxHeight = 1 << 30);

}  // namespace vexilon
