// Fit (the Auto-Arrange and Auto-Fit Windows modes) and Window -> Arrange Windows: the MDI
// camera windows of a desktop in rows. The measuring lives in core/desktop/WindowLayout.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSplitter>
#include <QStyle>

#include "core/app/Settings.h"
#include "core/desktop/WindowLayout.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"

namespace vexilon {

QList<TfrmCamera*> TfrmVexilon::MdiCameras() const {
  // In the order of the MDI area's list; minimised and closing windows take no room.
  QList<TfrmCamera*> cameras;
  for (QMdiSubWindow* sub : FMdiArea->subWindowList()) {
    if (sub->isHidden() || sub->isMinimized()) continue;
    for (TfrmCamera* camera : FCameraWindows->Windows()) {
      if (camera->SubWindow() == sub) cameras.append(camera);
    }
  }
  return cameras;
}

void TfrmVexilon::Fit() {
  const int mode = Settings().ResetClient;
  if (mode != 2 && mode != 3) return;
  // The current window counts even while the desktop window is not the active one.
  if (QMdiSubWindow* current = FMdiArea->currentSubWindow()) {
    if (current->isMinimized() || current->isMaximized()) return;
  }
  const QList<TfrmCamera*> cameras = MdiCameras();
  std::vector<TFitWindow> windows;
  for (TfrmCamera* camera : cameras) {
    const QSize frame = camera->Frame()->size() - camera->PictureBox()->size();
    windows.push_back({frame.width(), frame.height(),
                       camera->DefaultWidth() > 0 ? camera->DefaultWidth() : kStartClientWidth,
                       camera->DefaultHeight() > 0 ? camera->DefaultHeight() : kStartClientHeight});
  }
  // The MDI area is what is left of the client area beside the catalogue and above the status
  // bar, scroll bars included: once the windows fit, those go.
  const QSize area = FMdiArea->contentsRect().size();
  const TFitLayout layout = FitLayout(windows, area.width(), area.height(), mode == 3);
  for (qsizetype i = 0; i < cameras.size(); ++i) {
    const TLayoutRect& place = layout.Places[std::size_t(i)];
    cameras[i]->Frame()->setGeometry(place.Left, place.Top, place.Width, place.Height);
  }
}

void TfrmVexilon::ArrangeWindows1Click() {
  const QList<TfrmCamera*> cameras = MdiCameras();
  std::vector<TArrangeWindow> windows;
  for (TfrmCamera* camera : cameras) {
    const QSize size = camera->Frame()->size();
    windows.push_back({size.width(), size.height()});
  }
  // Room for scroll bars is given up below only when they are needed.
  QSize area = FMdiArea->contentsRect().size();
  // The hidden catalogue panel and splitter of a further desktop window still count.
  if (pnlLeft->isHidden()) area.rwidth() -= kLeftPanelWidth + Splitter1->handleWidth();
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const std::vector<TLayoutRect> places =
      ArrangeLayout(windows, area.width(), area.height(), bar, bar);
  for (qsizetype i = 0; i < cameras.size(); ++i) {
    const TLayoutRect& place = places[std::size_t(i)];
    cameras[i]->Frame()->move(place.Left, place.Top);
  }
}

}  // namespace vexilon
