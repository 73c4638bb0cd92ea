#pragma once
#include <string>

#include "core/catalogue/WebConnect.h"

namespace vexilon {

// Window styles of a camera window: a free window above the desktop window, a child in its
// MDI area, or a window above every other.
enum TCameraStyle { csPopup = 0, csMdiChild = 1, csStayOnTop = 2 };

// The client area of a window whose entry names no size.
inline constexpr int kStartClientWidth = 320;
inline constexpr int kStartClientHeight = 221;

// What opening a catalogue entry hands to a new camera window.
struct TCameraOptions {
  TVideoConnect Video;
  TAudioConnect Audio;
  std::string Caption;      // the entry's name
  std::string CatalogPath;  // groups and name joined by ":"
  int Style = csMdiChild;
  std::string CaptureFile;  // raw received data goes here when not empty
};

}  // namespace vexilon
