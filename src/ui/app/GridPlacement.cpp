#include "ui/app/GridPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/app/ScreenGrid.h"

namespace vexilon {

void PlaceInGridCell(QWidget& dialog) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  const TDialogPosition position = CentreInScreenGrid(ScreenGrid(), area.width(), area.height(),
                                                      dialog.width(), dialog.height());
  dialog.move(area.left() + position.Left, area.top() + position.Top);
}

}  // namespace vexilon
