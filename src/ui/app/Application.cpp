#include "ui/app/Application.h"

#include <QApplication>
#include <QMainWindow>

namespace vexilon {

int RunApplication(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Vexilon");
  window.resize(696, 480);
  window.show();
  return app.exec();
}

}  // namespace vexilon
