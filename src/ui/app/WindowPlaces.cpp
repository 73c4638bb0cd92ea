#include "ui/app/WindowPlaces.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <exception>

#include "core/app/ProgramPath.h"

namespace vexilon {

QRect FitToScreen(const QRect& wanted, const QRect& available) {
  if (!available.isValid()) return wanted;
  const int width = std::min(wanted.width(), available.width());
  const int height = std::min(wanted.height(), available.height());
  const int left = std::clamp(wanted.left(), available.left(), available.right() + 1 - width);
  const int top = std::clamp(wanted.top(), available.top(), available.bottom() + 1 - height);
  return QRect(left, top, width, height);
}

QRect AvailableScreen(const QWidget& window) {
  QScreen* screen = window.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

TWindowPlace PlaceOf(const QWidget& window) {
  const QRect normal = window.isMaximized() ? window.normalGeometry() : window.geometry();
  return {normal.x(), normal.y(), normal.width(), normal.height(), window.isMaximized()};
}

void RestorePlace(QWidget& window, const TWindowPlace& place, bool withPosition) {
  if (!place.Known()) return;
  const QPoint at = withPosition ? QPoint(place.Left, place.Top) : window.pos();
  const QRect fitted =
      FitToScreen(QRect(at, QSize(place.Width, place.Height)), AvailableScreen(window));
  if (withPosition) window.move(fitted.topLeft());
  window.resize(fitted.size());
  if (place.Maximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void RememberPlace(TWindowPlace& remembered, const TWindowPlace& place) {
  if (remembered == place || !place.Known()) return;
  remembered = place;
  try {
    WriteSettings(ExpandProgramPath("./Vexilon.ini"), Settings());
  } catch (const std::exception&) {
  }
}

}  // namespace vexilon
