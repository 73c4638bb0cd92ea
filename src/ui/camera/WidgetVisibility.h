#pragma once

class QWidget;

namespace vexilon {

// Whether any pixel of the widget can be seen: it is shown, its window is not minimised, it
// lies at least in part inside its parents (a multi-document area scrolls), and no window of
// that area above it covers all of it.
bool PartlyVisible(const QWidget& widget);

}  // namespace vexilon
