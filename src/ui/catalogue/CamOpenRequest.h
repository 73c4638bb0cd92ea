#pragma once
#include <QString>
#include <memory>
#include <string>

#include "core/catalogue/WebConnect.h"

namespace vexilon {

class TfrmVexilon;

// Window styles of a camera window opened from the catalogue.
inline constexpr int kPopupStyle = 0;  // a free window of its own
inline constexpr int kMdiStyle = 1;    // a child of the desktop window's MDI area

// Everything a camera window needs to show one catalogue entry. The descriptors are copies
// that already carry what the entry inherits from its groups, so the window never looks at
// the catalogue again. Restoring a maximised MDI child, arranging the desktop and creating
// the capture file are the opener's business: a capture file that cannot be created is
// reported after the window exists.
struct TCamOpenRequest {
  std::shared_ptr<TVideoConnect> Video;
  std::shared_ptr<TAudioConnect> Audio;
  std::string Name;         // the entry's name: the window's caption
  std::string CatalogPath;  // groups and name joined by ":", to find the entry again
  int Style = kMdiStyle;
  QString CaptureFile;  // raw received data goes here when not empty
  TfrmVexilon* Desktop = nullptr;
};

}  // namespace vexilon
