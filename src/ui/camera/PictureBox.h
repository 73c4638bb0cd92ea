#pragma once
#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "ui/camera/PictureGeometry.h"

class QPainter;
class QScrollBar;

namespace vexilon {

class TRtspFrame;

// The current picture of a camera window. Width and Height are the picture's own size even
// when Image was decoded smaller; Jpeg keeps the bytes as received for captures.
struct TPicture {
  QImage Image;
  int Width = 0, Height = 0;
  std::string Jpeg;
  // A picture of a video stream, kept at its own size: Jpeg is made of it when a capture or a
  // recording first asks, so a window nobody records encodes nothing.
  std::shared_ptr<const TRtspFrame> Full;
  // Image is missing or older than Jpeg: nobody saw the window when the frame came, so it is
  // decoded once somebody does.
  bool ImageBehind = false;
  // A page of text: shown at its own size and scrolled, not fitted into the window.
  bool Page = false;
  // The start picture is 1×1 and not real; neither is a frame that did not decode.
  bool Real() const { return Width > 1 && Height > 1; }
  bool Empty() const { return Image.isNull(); }
};

// The surface of a camera window (PaintBox1): the picture scaled to fit, grey margins, the
// zoomed part while one is chosen, the rubber band of a drag, or the header text while there
// is no real picture. It paints every pixel itself, so nothing is erased under a new frame.
class TPictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit TPictureBox(QWidget* parent);

  void SetPicture(TPicture picture);
  const TPicture& Picture() const { return FPicture; }
  // The picture's JPEG, made from its full-size frame the first time it is asked for; empty
  // when it has neither.
  const std::string& Jpeg();
  void SetHeaderTextSource(std::function<QString()> source) { FHeaderText = std::move(source); }
  // The camera's state in words, shown over the picture or above the header text; a stale
  // picture is dimmed under it.
  struct TStateLine {
    QString Text;
    bool Stale = false;
  };
  void SetStateSource(std::function<TStateLine()> source) { FState = std::move(source); }
  void SetNoPaint(bool noPaint) { FNoPaint = noPaint; }
  // Brings the image of a picture that is behind up to date, for the area it is drawn in
  // (0 × 0: its own size); called when it is about to be painted or taken.
  using TImageSource = std::function<void(TPicture& picture, int drawWidth, int drawHeight)>;
  void SetImageSource(TImageSource source) { FImageSource = std::move(source); }
  void BringImageUpToDate();
  // The area a picture is decoded for: where it is drawn, or its own size while zoomed.
  QSize DrawSize();

  // Where the picture is drawn now (client coordinates); sets the fit size.
  TRect CalcPictureRect();
  const TRect& ZoomRect() const { return FZoomRect; }
  const TRect& DragRect() const { return FDragRect; }
  bool Dragging() const { return FDragging; }
  int FitWidth() const { return FFitWidth; }
  int FitHeight() const { return FFitHeight; }
  // The width a page is wrapped to: the window less the page's scroll bar.
  int PageWidth() const;
  QScrollBar* PageScrollBar() const { return FPageScroll; }

 signals:
  void DoubleClicked();
  // The window's size changed; a page is laid out again for it.
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void PaintHeaderText(QPainter& painter);
  void PaintPage(QPainter& painter);
  void PaintState(QPainter& painter, const TStateLine& state);
  void UpdatePageScroll();

  TPicture FPicture;
  std::function<QString()> FHeaderText;
  std::function<TStateLine()> FState;
  TImageSource FImageSource;
  bool FNoPaint = false;
  TRect FDragRect;
  TRect FZoomRect;
  bool FDragging = false;
  int FFitWidth = 0, FFitHeight = 0;
  QScrollBar* FPageScroll = nullptr;
};

}  // namespace vexilon
