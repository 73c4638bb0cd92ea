#include "ui/catalogue/EditorText.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace vexilon {

QString HeadersToText(const std::string& headers) {
  QString text = FromBytes(headers);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text;
}

std::string TextToHeaders(const QString& text) {
  QString lines = text;
  lines.remove(QLatin1Char('\r'));
  // A final Enter does not make an empty header line.
  if (lines.endsWith(QLatin1Char('\n'))) lines.chop(1);
  if (lines.isEmpty()) return std::string();
  std::string headers;
  for (const QString& line : lines.split(QLatin1Char('\n'))) headers += ToBytes(line) + "\r\n";
  return headers;
}

void HideKeepingPlace(QWidget& field) {
  QSizePolicy policy = field.sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  field.setSizePolicy(policy);
  field.hide();
}

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame(QPoint(0, 0), window.size());
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

}  // namespace vexilon
