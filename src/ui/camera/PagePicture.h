#pragma once
#include <string>

#include "ui/camera/PictureBox.h"

namespace vexilon {

// A page of text from an "html" camera drawn as a picture as wide as the window, in the
// page's colours. A page without text gives a picture of height 0, which is not real, so the
// window shows its header text instead.
TPicture RenderPagePicture(const std::string& payload, int width);

}  // namespace vexilon
