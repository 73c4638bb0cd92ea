// Taking the current frame out of a camera window: to a numbered file, or to the clipboard.
#include <QApplication>
#include <QClipboard>
#include <exception>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/capture/CaptureNames.h"
#include "core/imaging/Jpeg.h"
#include "core/rtsp/RtspSource.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"

namespace vexilon {
namespace {

// A picture that did not come as JPEG (the start picture) is encoded on the way out.
std::string EncodeShown(const TPicture& picture) {
  const QImage rgb = picture.Image.convertToFormat(QImage::Format_RGB888);
  TBitmap bitmap;
  bitmap.Width = rgb.width();
  bitmap.Height = rgb.height();
  for (int y = 0; y < rgb.height(); ++y) {
    const uchar* row = rgb.constScanLine(y);
    bitmap.Pixels.insert(bitmap.Pixels.end(), row, row + rgb.width() * 3);
  }
  return EncodeJpeg(bitmap, 90);
}

}  // namespace

void TfrmCamera::SaveCapture() {
  const std::string path = NextNumberedFileName(ExpandProgramPath("./CAPTURE"), FCaptionBase,
                                                ".jpg", FLastCaptureNumber);
  const std::string fileName = path.substr(path.find_last_of('/') + 1);
  const std::string& jpeg = PaintBox1->Jpeg();
  const std::string bytes = jpeg.empty() ? EncodeShown(PaintBox1->Picture()) : jpeg;
  // A frame that could not be decoded leaves nothing to save; an empty file is no capture.
  if (bytes.empty())
    throw EFileWrite(fileName + " was not written: there is no picture to capture.");
  WriteFileAtomically(path, bytes);
  if (FDesktop != nullptr)
    FDesktop->SetStatusText(QStringLiteral("Captured to file: ") +
                            QString::fromLocal8Bit(fileName));
}

void TfrmCamera::QuickCapture1Click() {
  try {
    SaveCapture();
  } catch (const std::exception& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
  }
}

void TfrmCamera::Clip1Click() {
  const TPicture& picture = PaintBox1->Picture();
  QImage image = picture.Image;
  // A picture decoded small for a small window, or not yet decoded, goes to the clipboard at
  // its own size.
  if (picture.Full) {
    const std::vector<std::uint8_t> pixels = picture.Full->Pixels();
    if (!pixels.empty())
      image =
          QImage(pixels.data(), picture.Full->Width(), picture.Full->Height(), QImage::Format_RGB32)
              .copy();
  } else if (!picture.Jpeg.empty() && (image.isNull() || image.width() != picture.Width ||
                                       image.height() != picture.Height)) {
    TBitmap bitmap;
    if (DecodeJpeg(reinterpret_cast<const uint8_t*>(picture.Jpeg.data()), picture.Jpeg.size(),
                   bitmap)) {
      image = QImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Width * 3,
                     QImage::Format_RGB888)
                  .copy();
    }
  }
  QApplication::clipboard()->setImage(image);
}

}  // namespace vexilon
