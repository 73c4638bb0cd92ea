#include "ui/camera/PictureBox.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

#include "core/app/Settings.h"
#include "core/rtsp/RtspSource.h"

namespace vexilon {
namespace {

// The light-grey stock brush of the margins beside a fitted picture.
const QColor kMarginGrey(192, 192, 192);

// No window is large enough to show more of a header text than this.
constexpr int kMaxShownHeaderChars = 4096;

// What a window shows of a camera's header text: printable, and no more than fits (a server
// that sends garbage must not fill the window with it).
QString ShownHeaderText(const QString& text, const QRect& area, const QFont& font) {
  const QFontMetrics metrics(font);
  const int lines = std::max(1, area.height() / std::max(1, metrics.height()));
  const int columns = std::max(8, area.width() / std::max(1, metrics.averageCharWidth()));
  QString shown;
  int line = 0, column = 0;
  for (QChar c : text.left(kMaxShownHeaderChars)) {
    if (c == QLatin1Char('\r')) continue;
    if (c == QLatin1Char('\n') || ++column > columns) {
      if (++line >= lines) break;
      column = c == QLatin1Char('\n') ? 0 : 1;
      if (c == QLatin1Char('\n')) {
        shown += c;
        continue;
      }
    }
    shown += c.isPrint() || c == QLatin1Char('\t') ? c : QChar(0xB7);
  }
  return shown;
}

QRect ToQRect(const TRect& r) {
  return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
}

}  // namespace

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {
  setObjectName("PaintBox1");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  setMouseTracking(false);
  FPicture.Image = QImage(1, 1, QImage::Format_RGB32);
  FPicture.Image.fill(Qt::black);
  FPicture.Width = FPicture.Height = 1;
  FPageScroll = new QScrollBar(Qt::Vertical, this);
  FPageScroll->setObjectName("PageScrollBar");
  FPageScroll->hide();
  connect(FPageScroll, &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
}

void TPictureBox::SetPicture(TPicture picture) {
  FPicture = std::move(picture);
  UpdatePageScroll();
  update();
}

const std::string& TPictureBox::Jpeg() {
  if (FPicture.Jpeg.empty() && FPicture.Full) FPicture.Jpeg = FPicture.Full->Jpeg();
  return FPicture.Jpeg;
}

int TPictureBox::PageWidth() const {
  return std::max(1, width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

void TPictureBox::UpdatePageScroll() {
  // A new page keeps the place the reader scrolled to, as far as it reaches.
  const bool page = FPicture.Page && FPicture.Real();
  const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  FPageScroll->setGeometry(width() - extent, 0, extent, height());
  FPageScroll->setRange(0, page ? std::max(0, FPicture.Image.height() - height()) : 0);
  FPageScroll->setPageStep(std::max(1, height()));
  FPageScroll->setSingleStep(std::max(1, fontMetrics().height()));
  FPageScroll->setVisible(page && FPageScroll->maximum() > 0);
}

TRect TPictureBox::CalcPictureRect() {
  return vexilon::CalcPictureRect(width(), height(), FPicture.Width, FPicture.Height,
                                  Settings().Aspect, FFitWidth, FFitHeight);
}

QSize TPictureBox::DrawSize() {
  if (!FZoomRect.Empty() || FPicture.Page) return QSize();
  return ToQRect(CalcPictureRect()).size();
}

void TPictureBox::BringImageUpToDate() {
  if (!FPicture.ImageBehind || !FImageSource) return;
  const QSize area = DrawSize();
  FImageSource(FPicture, area.width(), area.height());
  FPicture.ImageBehind = false;
}

void TPictureBox::paintEvent(QPaintEvent*) {
  if (FNoPaint) return;
  BringImageUpToDate();
  QPainter painter(this);
  if (!FPicture.Real()) {
    PaintHeaderText(painter);
    return;
  }
  const TStateLine state = FState ? FState() : TStateLine();
  if (FPicture.Page) {
    PaintPage(painter);
    PaintState(painter, state);
    return;
  }
  const QRect client = rect();
  if (FZoomRect.Empty()) {
    const QRect drawn = ToQRect(CalcPictureRect());
    if (FPicture.Image.isNull())
      painter.fillRect(drawn, kMarginGrey);  // a frame whose header read but not its data
    else
      painter.drawImage(drawn, FPicture.Image);
    // Only the margins are filled, so the picture area is never painted twice.
    const QRegion margins = QRegion(client).subtracted(QRegion(drawn));
    for (const QRect& part : margins) painter.fillRect(part, kMarginGrey);
  } else {
    // The zoom is kept in the picture's own coordinates; the image may be decoded smaller.
    const double sx = double(FPicture.Image.width()) / FPicture.Width;
    const double sy = double(FPicture.Image.height()) / FPicture.Height;
    const QRectF source(FZoomRect.Left * sx, FZoomRect.Top * sy,
                        (FZoomRect.Right - FZoomRect.Left) * sx,
                        (FZoomRect.Bottom - FZoomRect.Top) * sy);
    painter.fillRect(client, kMarginGrey);  // where the zoom reaches outside the picture
    painter.drawImage(QRectF(client), FPicture.Image, source);
  }
  PaintState(painter, state);
  if (!FDragRect.Empty()) {
    QPen pen(Qt::white, 1, Qt::DotLine);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(pen);
    painter.drawRect(ToQRect(FDragRect));
  }
}

void TPictureBox::PaintState(QPainter& painter, const TStateLine& state) {
  if (state.Stale) painter.fillRect(rect(), QColor(0, 0, 0, 110));
  if (state.Text.isEmpty()) return;
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
  const QRect text = painter.boundingRect(rect().adjusted(6, 4, -6, -4), flags, state.Text);
  painter.fillRect(QRect(0, 0, width(), text.bottom() + 5), QColor(0, 0, 0, 170));
  painter.setPen(Qt::white);
  painter.drawText(rect().adjusted(6, 4, -6, -4), flags, state.Text);
}

void TPictureBox::PaintPage(QPainter& painter) {
  const QImage& page = FPicture.Image;
  const int top = FPageScroll->isVisible() ? FPageScroll->value() : 0;
  painter.drawImage(QPoint(0, -top), page);
  // Beside and below the page, its own background.
  const QRegion rest = QRegion(rect()).subtracted(QRegion(0, -top, page.width(), page.height()));
  const QColor background = page.isNull() ? palette().window().color() : QColor(page.pixel(0, 0));
  for (const QRect& part : rest) painter.fillRect(part, background);
}

void TPictureBox::wheelEvent(QWheelEvent* event) {
  if (FPageScroll->isVisible()) {
    QCoreApplication::sendEvent(FPageScroll, event);
    return;
  }
  QWidget::wheelEvent(event);
}

void TPictureBox::PaintHeaderText(QPainter& painter) {
  painter.fillRect(rect(), palette().window());
  painter.setPen(palette().windowText().color());
  QRect area = rect().adjusted(2, 2, -2, -2);
  // The state first, in bold, so that what went wrong is never lost below a long answer.
  if (const TStateLine state = FState ? FState() : TStateLine(); !state.Text.isEmpty()) {
    QFont bold = painter.font();
    bold.setBold(true);
    painter.setFont(bold);
    const QRect used = painter.boundingRect(area, Qt::AlignLeft | Qt::TextWordWrap, state.Text);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, state.Text);
    painter.setFont(font());
    area.setTop(used.bottom() + 6);
  }
  painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   ShownHeaderText(FHeaderText ? FHeaderText() : QString(), area, font()));
}

void TPictureBox::resizeEvent(QResizeEvent* event) {
  FFitWidth = FFitHeight = 0;
  QWidget::resizeEvent(event);
  UpdatePageScroll();
  emit Resized();
}

void TPictureBox::mousePressEvent(QMouseEvent* event) {
  if (FPicture.Page) return;  // a page is read, not zoomed
  const QPoint at = event->position().toPoint();
  FDragRect = {at.x(), at.y(), at.x(), at.y()};
  if (!FZoomRect.Empty()) {
    FZoomRect = {};
    update();
  }
}

void TPictureBox::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  const QPoint at = event->position().toPoint();
  if (!FDragging && (at.x() <= FDragRect.Left || at.y() <= FDragRect.Top)) return;
  FDragging = true;
  FDragRect.Right = at.x();
  FDragRect.Bottom = at.y();
  update();
}

void TPictureBox::mouseReleaseEvent(QMouseEvent*) {
  if (!FDragging) return;
  if (FDragRect.Empty()) {
    FZoomRect = {};
  } else {
    FZoomRect = FDragRect;
    if (!FPicture.Empty()) {
      FZoomRect = ClientToPicture(FZoomRect, CalcPictureRect(), FPicture.Width, FPicture.Height);
    }
  }
  FDragRect = {};
  FDragging = false;
  update();
}

void TPictureBox::mouseDoubleClickEvent(QMouseEvent*) {
  emit DoubleClicked();
}

}  // namespace vexilon
