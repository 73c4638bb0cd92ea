#include "ui/app/AudioLevelPanel.h"

#include <QPainter>
#include <algorithm>

namespace vexilon {

namespace {

constexpr int kPanelWidth = 100;

}  // namespace

TAudioLevelPanel::TAudioLevelPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlAudioLevel");
  setFixedWidth(kPanelWidth);
}

void TAudioLevelPanel::SetLevel(bool prebuffering, int level) {
  FPrebuffering = prebuffering;
  FLevel = level;
  FText = QStringLiteral("%1,%2").arg(prebuffering ? 1 : 0).arg(level);
  update();
}

int TAudioLevelPanel::BarWidth() const {
  // A level outside 0..100 must not paint beyond the panel.
  const long long bar = static_cast<long long>(width()) * FLevel / 100;
  return static_cast<int>(std::clamp<long long>(bar, 0, width()));
}

void TAudioLevelPanel::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const int bar = BarWidth();
  const QColor fill = FPrebuffering ? QColor(255, 0, 0) : QColor(0, 128, 0);
  painter.fillRect(0, 0, bar, height(), fill);
  painter.fillRect(bar, 0, width() - bar, height(), palette().window());
}

}  // namespace vexilon
