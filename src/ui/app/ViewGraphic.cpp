#include "ui/app/ViewGraphic.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QScreen>
#include <QSet>
#include <QStringList>
#include <string>

#include "core/imaging/Jpeg.h"

namespace vexilon {

namespace {

// Larger files are refused before they are read: no picture the viewer can show needs more.
constexpr qint64 kMaxPictureFileSize = qint64(256) << 20;

bool IsJpeg(const QByteArray& bytes) {
  return bytes.size() >= 3 && quint8(bytes[0]) == 0xFF && quint8(bytes[1]) == 0xD8 &&
         quint8(bytes[2]) == 0xFF;
}

QImage DecodeJpegBytes(const QByteArray& bytes) {
  TBitmap bitmap;
  if (!DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                  std::size_t(bytes.size()), bitmap))
    return QImage();
  // Copied out: the bitmap's pixels go away with it.
  return QImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Width * 3,
                QImage::Format_RGB888)
      .copy();
}

}  // namespace

QImage LoadPictureFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPictureFileSize) return QImage();
  const QByteArray bytes = file.read(kMaxPictureFileSize);
  if (IsJpeg(bytes)) return DecodeJpegBytes(bytes);
  // The toolkit's readers keep to their own allocation limit for claimed picture sizes.
  QImage picture;
  QImageReader reader(fileName);
  reader.setDecideFormatFromContent(true);
  if (!reader.read(&picture)) return QImage();
  return picture;
}

QString PictureFileFilter() {
  QSet<QString> patterns = {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"),
                            QStringLiteral("*.jpe"), QStringLiteral("*.jfif")};
  for (const QByteArray& format : QImageReader::supportedImageFormats())
    patterns.insert(QStringLiteral("*.") + QString::fromLatin1(format).toLower());
  QStringList sorted(patterns.begin(), patterns.end());
  sorted.sort();
  return QStringLiteral("All pictures (") + sorted.join(QLatin1Char(' ')) +
         QStringLiteral(");;JPEG Image File (*.jpg *.jpeg);;All files (*)");
}

TfrmViewGraphic::TfrmViewGraphic(QWidget* parent) : QWidget(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  // Every pixel is painted over: nothing to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setWindowTitle(QStringLiteral("View Graphic"));
}

void TfrmViewGraphic::SetPicture(const QImage& picture) {
  FPicture = picture;
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  QSize size = picture.size();
  if (screen) size = size.boundedTo(screen->availableGeometry().size());
  resize(size.expandedTo(QSize(1, 1)));
  update();
}

void TfrmViewGraphic::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (FPicture.isNull()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), FPicture);
}

}  // namespace vexilon
