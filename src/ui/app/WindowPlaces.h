#pragma once
#include <QRect>

#include "core/app/Settings.h"

class QWidget;

namespace vexilon {

// wanted moved and shrunk as little as it takes to lie within available, so that a place
// saved on a larger screen or at another scale opens where it can be seen and grabbed.
QRect FitToScreen(const QRect& wanted, const QRect& available);

// The screen area free for windows where window is, or the primary screen's.
QRect AvailableScreen(const QWidget& window);

// window's place as it would come back: its normal geometry even while maximised.
TWindowPlace PlaceOf(const QWidget& window);

// Puts window back where place says, fitted to the screen; withPosition false keeps its own
// position and takes the size only. Nothing happens for a place never known.
void RestorePlace(QWidget& window, const TWindowPlace& place, bool withPosition);

// Writes the configuration file when what is remembered changed; failures are left to the
// next save the user asks for.
void RememberPlace(TWindowPlace& remembered, const TWindowPlace& place);

}  // namespace vexilon
