#pragma once
#include <QString>
#include <string>

#include "ui/app/TextBytes.h"

class QWidget;

namespace vexilon {

// Header lines (each ended by CR LF) as a multi-line field shows them, and back: one line per
// row, and no lines for an empty field.
QString HeadersToText(const std::string& headers);
std::string TextToHeaders(const QString& text);

// Hides field but keeps its place in the layout, so that the rows around it stay lined up.
void HideKeepingPlace(QWidget& field);

// Puts window in the middle of the primary screen.
void CentreOnScreen(QWidget& window);

}  // namespace vexilon
