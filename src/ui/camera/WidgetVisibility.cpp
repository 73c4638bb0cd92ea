#include "ui/camera/WidgetVisibility.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegion>
#include <QWidget>

namespace vexilon {

bool PartlyVisible(const QWidget& widget) {
  if (!widget.isVisible() || widget.window()->isMinimized()) return false;
  // Clipped by every parent; siblings drawn over it are not taken off.
  QRegion seen = widget.visibleRegion();
  if (seen.isEmpty()) return false;
  for (const QWidget* part = &widget; part != nullptr && !part->isWindow();
       part = part->parentWidget()) {
    const auto* frame = qobject_cast<const QMdiSubWindow*>(part);
    if (frame == nullptr || frame->mdiArea() == nullptr) continue;
    if (frame->isMinimized()) return false;
    const QList<QMdiSubWindow*> stack = frame->mdiArea()->subWindowList(QMdiArea::StackingOrder);
    const QWidget* viewport = frame->mdiArea()->viewport();
    // The list runs from the bottom of the stack to its top.
    for (qsizetype i = stack.indexOf(const_cast<QMdiSubWindow*>(frame)) + 1; i < stack.size();
         ++i) {
      if (!stack[i]->isVisible()) continue;
      const QRect above = stack[i]->geometry();
      seen -= QRect(widget.mapFrom(viewport, above.topLeft()), above.size());
      if (seen.isEmpty()) return false;
    }
    break;
  }
  return true;
}

}  // namespace vexilon
