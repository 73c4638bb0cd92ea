#pragma once
#include <QApplication>

namespace vexilon {

// The viewer's application object: a failure that escapes an event handler is shown in the
// application's error box instead of ending the program.
class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Starts the viewer with the process's command line and runs it until the first main window
// closes; answers the process exit code.
int RunApplication(int argc, char** argv);

}  // namespace vexilon
