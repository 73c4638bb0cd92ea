#pragma once
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "ui/playback/TempImage.h"

namespace vexilon {

// The picture area of the playback window: draws each recorded window with a caption bar and a
// framed picture at its place, scaled by the zoom, and reports clicks on them.
class TPlaybackView : public QWidget {
  Q_OBJECT
 public:
  explicit TPlaybackView(QWidget* parent = nullptr);

  void SetWindows(const std::vector<std::unique_ptr<TTempImage>>* windows);
  void SetZoom(double zoom);
  void SetCaptionHeight(int height);
  // Sizes the area to the zoomed windows (growOnly keeps a larger size) and repaints.
  void UpdateExtent(bool growOnly);

 signals:
  // A mouse press: the window under it (null for none) and the button.
  void WindowPressed(TTempImage* window, Qt::MouseButton button, QPoint globalPos);
  void WindowDoubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void DrawWindow(class QPainter& painter, TTempImage& window);

  const std::vector<std::unique_ptr<TTempImage>>* FWindows = nullptr;
  double FZoom = 1.0;
  int FCaptionHeight = 0;
};

}  // namespace vexilon
