#pragma once

class QWidget;

namespace vexilon {

// Moves dialog to the centre of the top-left cell of the process's screen grid; called just
// before the dialog is shown, once it has its final size.
void PlaceInGridCell(QWidget& dialog);

}  // namespace vexilon
