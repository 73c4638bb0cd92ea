#include "ui/camera/PagePicture.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "core/text/PageText.h"

namespace vexilon {
namespace {

// A page is cut off where its picture would pass this many pixels (64 MiB), or the tallest
// picture the painter draws: a hostile page must not claim the memory of hundreds of frames.
constexpr long long kMaxPagePixels = 16LL << 20;
constexpr int kMaxPageHeight = 32767;

QColor ToQColor(TColorRef color) {
  return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

QString FromPage(std::string_view text) {
  return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

class TQtPageCanvas : public TPageCanvas {
 public:
  TQtPageCanvas(const QFont& font, QPainter* painter) : FMetrics(font), FPainter(painter) {}
  int TextWidth(std::string_view text) override {
    return FMetrics.horizontalAdvance(FromPage(text));
  }
  int TextHeight(std::string_view) override { return FMetrics.height(); }
  void SetTextColor(TColorRef color) override {
    if (FPainter != nullptr) FPainter->setPen(ToQColor(color));
  }
  void TextOut(int x, int y, std::string_view text) override {
    if (FPainter != nullptr) FPainter->drawText(QPoint(x, y + FMetrics.ascent()), FromPage(text));
  }

 private:
  QFontMetrics FMetrics;
  QPainter* FPainter;
};

}  // namespace

TPicture RenderPagePicture(const std::string& payload, int width) {
  width = std::max(width, 1);
  QFont font;
  font.setPointSize(8);
  TQtPageCanvas measure(font, nullptr);
  const TPageLayout layout = RenderPage(payload, width, measure, false);
  TPicture picture;
  picture.Width = width;
  picture.Page = true;
  picture.Height =
      int(std::min<long long>({layout.Height, kMaxPageHeight, kMaxPagePixels / width}));
  if (picture.Height <= 0) return picture;
  picture.Image = QImage(width, picture.Height, QImage::Format_RGB32);
  picture.Image.fill(ToQColor(layout.Background));
  QPainter painter(&picture.Image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  TQtPageCanvas canvas(font, &painter);
  RenderPage(payload, width, canvas, true, picture.Height);
  return picture;
}

}  // namespace vexilon
