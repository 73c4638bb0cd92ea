#include "core/text/PageText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>
#include <vector>

namespace vexilon {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The pair of hexadecimal digits at pos, or fallback.
int HexPair(std::string_view text, std::size_t pos, int fallback) {
  const int high = HexDigit(text[pos]), low = HexDigit(text[pos + 1]);
  return high < 0 || low < 0 ? fallback : high * 16 + low;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
  return tokens;
}

// An attribute token upper-cased, its quotes removed.
std::string Attribute(std::string_view token) {
  std::string value;
  for (char c : Upper(token))
    if (c != '\'' && c != '"') value += c;
  return value;
}

class TPageRenderer {
 public:
  TPageRenderer(int width, TPageCanvas& canvas, bool draw, int maxHeight)
      : FWidth(width), FCanvas(canvas), FDraw(draw), FMaxHeight(maxHeight) {}

  TPageLayout Run(std::string_view payload) {
    bool inTag = false, inEntity = false;
    std::size_t mark = 0;
    for (std::size_t i = 0; i < payload.size(); ++i) {
      const char c = payload[i];
      if (inTag) {
        if (c == '>') {
          Tag(payload.substr(mark + 1, i - mark - 1));
          inTag = false;
        }
      } else if (inEntity) {
        if (c == ';') {
          Entity(TrimSpaces(payload.substr(mark + 1, i - mark - 1)));
          inEntity = false;
        }
      } else if (c == '<') {
        inTag = true;
        mark = i;
      } else if (c == '&') {
        inEntity = true;
        mark = i;
      } else if (c != '\n' && c != '\r') {
        FPending += c;
      }
    }
    if (inEntity) FPending += TrimSpaces(payload.substr(mark + 1));
    const bool anyText = FAnyText || !FPending.empty();
    LineBreak();
    // Markup without a single character to show makes no page.
    return {anyText ? FY : 0, FBackground};
  }

 private:
  void Tag(std::string_view inside) {
    const std::vector<std::string_view> tokens = Tokens(TrimSpaces(inside));
    if (tokens.empty()) return;
    const std::string name = Upper(tokens[0]);
    if (name == "NL" || name == "BR" || name == "P" || name == "TR") {
      LineBreak();
    } else if (name == "BODY") {
      for (std::size_t t = 1; t < tokens.size(); ++t) {
        const std::string value = Attribute(tokens[t]);
        if (value.starts_with("BGCOLOR="))
          FBackground = ParseColor(std::string_view(value).substr(8), kWhite);
      }
    } else if (name == "FONT") {
      for (std::size_t t = 1; t < tokens.size(); ++t) {
        const std::string value = Attribute(tokens[t]);
        if (!value.starts_with("COLOR=")) continue;
        Flush();
        FTextColor = ParseColor(std::string_view(value).substr(6), kBlack);
        if (FDraw) FCanvas.SetTextColor(FTextColor);
      }
    }
  }

  void Entity(std::string_view name) {
    const std::string upper = Upper(name);
    if (upper == "AMP")
      FPending += '&';
    else if (upper == "NBSP")
      FPending += ' ';
    else if (upper == "LT")
      FPending += '<';
    else if (upper == "GT")
      FPending += '>';
    else
      FPending += "&" + std::string(name) + ";";
  }

  // Widths of prefixes of the pending text. No more characters than the line has pixels can
  // ever fit, so only that many are measured: a huge text costs a line's worth per line.
  int PrefixWidth(std::size_t length) {
    return FCanvas.TextWidth(std::string_view(FPending).substr(FStart, length));
  }

  int Flush() {
    FAnyText = FAnyText || !FPending.empty();
    // One line's height does not grow with its length: a short sample measures it.
    const int lineHeight =
        FCanvas.TextHeight(std::string(std::string_view(FPending).substr(FStart, 64)) + "Mj");
    while (FStart < FPending.size()) {
      std::size_t n = FPending.size() - FStart;
      const std::size_t measurable = std::size_t(std::max(FWidth - FX, 0)) + 2;
      int w = n <= measurable ? PrefixWidth(n) : FWidth + 1;
      if (FX + w > FWidth) {
        // The longest prefix that still fits, by halving: widths grow with length.
        std::size_t low = 1, high = std::min(n, measurable);
        while (low < high) {
          const std::size_t mid = (low + high + 1) / 2;
          if (FX + PrefixWidth(mid) <= FWidth)
            low = mid;
          else
            high = mid - 1;
        }
        std::size_t k = low;
        if (k > 1) {
          n = k;
          // Break after the last space that fits, when there is one past the first character.
          for (std::size_t s = k; s > 1; --s) {
            if (FPending[FStart + s - 1] == ' ') {
              n = s;
              break;
            }
          }
        }
        w = PrefixWidth(n);
      }
      if (FDraw && FY < FMaxHeight)
        FCanvas.TextOut(FX, FY, std::string_view(FPending).substr(FStart, n));
      FStart += n;
      while (FStart < FPending.size() && FPending[FStart] == ' ') ++FStart;
      FX += w;
      if (FStart < FPending.size()) {
        FX = 0;
        FY = SaturatedAdd(FY, lineHeight);
      }
    }
    FPending.clear();
    FStart = 0;
    return lineHeight;
  }

  void LineBreak() {
    const int height = Flush();
    FX = 0;
    FY = SaturatedAdd(FY, height);
  }

  static int SaturatedAdd(int a, int b) { return a > (1 << 30) - b ? 1 << 30 : a + b; }

  const int FWidth;
  TPageCanvas& FCanvas;
  const bool FDraw;
  const int FMaxHeight;
  std::string FPending;
  std::size_t FStart = 0;  // characters before it are written already
  int FX = 0, FY = 0;
  bool FAnyText = false;
  TColorRef FBackground = kWhite;
  TColorRef FTextColor = kBlack;
};

}  // namespace

TColorRef ParseColor(std::string_view text, TColorRef def) {
  if (text.size() >= 7 && text.front() == '#') {
    const std::size_t n = text.size();
    const int red = HexPair(text, n - 6, int(def & 0xFF));
    const int green = HexPair(text, n - 4, int((def >> 8) & 0xFF));
    const int blue = HexPair(text, n - 2, int((def >> 16) & 0xFF));
    return TColorRef(red) + 256 * TColorRef(green) + 65536 * TColorRef(blue);
  }
  static const std::array<std::pair<std::string_view, TColorRef>, 18> names = {{
      {"RED", 0x0000FF},
      {"BLUE", 0xFF0000},
      {"GREEN", 0x008000},
      {"WHITE", 0xFFFFFF},
      {"LIME", 0x00FF00},
      {"PURPLE", 0x800080},
      {"FUCHSIA", 0xFF00FF},
      {"MAGENTA", 0xFF00FF},
      {"BLACK", 0x000000},
      {"YELLOW", 0x00FFFF},
      {"CYAN", 0xFFFF00},
      {"AQUA", 0xFFFF00},
      {"MAROON", 0x000080},
      {"GRAY", 0x808080},
      {"GREY", 0x808080},
      {"NAVY", 0x800000},
      {"SILVER", 0xC0C0C0},
      {"TEAL", 0x808000},
  }};
  for (const auto& [name, value] : names)
    if (text == name) return value;
  return def;
}

TPageLayout RenderPage(std::string_view payload, int width, TPageCanvas& canvas, bool draw,
                       int maxHeight) {
  return TPageRenderer(width, canvas, draw, maxHeight).Run(payload);
}

}  // namespace vexilon
