#pragma once
#include <QIcon>

namespace vexilon {

// The program's icons, drawn for it and built into it.
QIcon ProgramIcon();
QIcon CameraIcon();
QIcon RecordingIcon();

}  // namespace vexilon
