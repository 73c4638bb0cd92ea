#pragma once
#include <string>

#include "ui/camera/PictureBox.h"

namespace vexilon {

// A page of text from an "html" camera drawn as a picture width wide (the window's page width),
// in the page's colours, to be shown at its size and scrolled. A page without text gives a picture
// of height 0, which is not real, so the window shows its header text instead.
TPicture RenderPagePicture(const std::string& payload, int width);

}  // namespace vexilon
