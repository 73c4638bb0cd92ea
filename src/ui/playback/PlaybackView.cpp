#include "ui/playback/PlaybackView.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "core/playback/PlaybackLayout.h"

namespace vexilon {
namespace {

QRect ToQRect(const TCaptureRect& r) {
  return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

std::vector<TCaptureRect> RectsOf(const std::vector<std::unique_ptr<TTempImage>>& windows) {
  std::vector<TCaptureRect> rects;
  rects.reserve(windows.size());
  for (const auto& window : windows) rects.push_back(window->Rect);
  return rects;
}

}  // namespace

TPlaybackView::TPlaybackView(QWidget* parent) : QWidget(parent) {
  setObjectName("PaintBox1");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void TPlaybackView::SetWindows(const std::vector<std::unique_ptr<TTempImage>>* windows) {
  FWindows = windows;
}

void TPlaybackView::SetZoom(double zoom) {
  FZoom = zoom;
}

void TPlaybackView::SetCaptionHeight(int height) {
  FCaptionHeight = height;
}

void TPlaybackView::UpdateExtent(bool growOnly) {
  const TExtent extent = FWindows != nullptr ? ScaledExtent(RectsOf(*FWindows), FZoom) : TExtent();
  QSize size(extent.Width, extent.Height);
  if (growOnly) size = size.expandedTo(minimumSize());
  if (size != minimumSize()) setMinimumSize(size);
  update();
}

void TPlaybackView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().base());
  if (FWindows == nullptr) return;
  for (const auto& window : *FWindows) DrawWindow(painter, *window);
}

void TPlaybackView::DrawWindow(QPainter& painter, TTempImage& window) {
  const TWindowParts parts = WindowParts(window.Rect, FCaptionHeight, FZoom);
  const QRect caption = ToQRect(parts.Caption);
  if (caption.isValid()) {
    painter.fillRect(caption, Qt::blue);
    if (!window.Name.isEmpty()) {
      QFont font = this->font();
      font.setBold(true);
      const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
      font.setPointSizeF(std::max(1.0, std::round(points * FZoom)));
      painter.setFont(font);
      painter.setPen(Qt::white);
      painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, window.Name);
    }
  }
  const QRect frame = ToQRect(parts.Frame);
  if (!frame.isValid()) return;
  painter.setPen(Qt::red);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  const QRect picture = ToQRect(parts.Picture);
  if (picture.isValid() && !window.Picture.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, FZoom != 1.0);
    painter.drawImage(picture, window.Picture);
  }
}

void TPlaybackView::mousePressEvent(QMouseEvent* event) {
  TTempImage* hit = nullptr;
  if (FWindows != nullptr) {
    const QPoint at = event->position().toPoint();
    const int index = WindowAt(RectsOf(*FWindows), at.x(), at.y(), FZoom);
    if (index >= 0) hit = (*FWindows)[std::size_t(index)].get();
  }
  emit WindowPressed(hit, event->button(), event->globalPosition().toPoint());
}

void TPlaybackView::mouseDoubleClickEvent(QMouseEvent*) {
  emit WindowDoubleClicked();
}

}  // namespace vexilon
