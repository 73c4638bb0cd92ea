#pragma once
#include <QImage>
#include <QString>
#include <QWidget>

namespace vexilon {

// Decodes a picture file: JPEG through the core's decoder (recognised by its bytes, whatever
// the name says), everything else through the toolkit's readers. Answers a null image when
// the file is missing, too large or no picture that can be read.
QImage LoadPictureFile(const QString& fileName);

// The open-dialog filter for the formats LoadPictureFile can decode.
QString PictureFileFilter();

// A window of its own that shows one picture stretched over its whole client area. It is
// deleted when closed.
class TfrmViewGraphic : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmViewGraphic(QWidget* parent = nullptr);

  // Shows picture and sizes the client area to it, at most the available screen size.
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return FPicture; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage FPicture;
};

}  // namespace vexilon
