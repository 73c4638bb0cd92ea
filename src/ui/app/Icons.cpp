#include "ui/app/Icons.h"

// The icons live in a resource of the static UI library, which the linker keeps only when
// something asks for it by name.
static void InitIconResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(icons);
    return true;
  }();
  (void)done;
}

namespace vexilon {
namespace {

QIcon Icon(const char* file) {
  InitIconResources();
  return QIcon(QStringLiteral(":/icons/") + QLatin1String(file));
}

}  // namespace

QIcon ProgramIcon() {
  return Icon("vexilon.svg");
}

QIcon CameraIcon() {
  return Icon("vexilon-camera.svg");
}

QIcon RecordingIcon() {
  return Icon("application-x-vexilon-multicapture.svg");
}

}  // namespace vexilon
