#include "ui/app/Application.h"

#include <malloc.h>

#include <QDir>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "core/app/ProgramPath.h"
#include "core/app/ScreenGrid.h"
#include "core/app/Switches.h"
#include "core/app/TerminalAnswer.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Icons.h"
#include "ui/app/InstanceChannel.h"
#include "ui/app/MainWindow.h"

namespace vexilon {

namespace {

// What counts as a large block for the allocator; camera frames are well below it.
constexpr int kLargeBlock = 4 << 20;

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // Large blocks (a camera's huge part, a page picture) go back to the system when freed.
  // Left to itself the allocator raises this threshold after the first such block, and every
  // camera thread's heap then keeps tens of megabytes it no longer uses, for weeks.
  mallopt(M_MMAP_THRESHOLD, kLargeBlock);
  setApplicationName(QStringLiteral("Vexilon"));
  // Every window without an icon of its own shows the program's; the launcher's name lets
  // the desktop match windows to it.
  setWindowIcon(ProgramIcon());
  setDesktopFileName(QStringLiteral("vexilon"));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    TDialogs::Error(nullptr, QString::fromLocal8Bit(e.what()));
  } catch (...) {
    TDialogs::Error(nullptr, QStringLiteral("Unexpected failure"));
  }
  return false;
}

namespace {

// A second start with a multi-capture (P) or desktop (D) file hands it to the running viewer;
// answers whether it did, so that this process can end without a window.
bool HandedToRunningInstance(const TInstanceChannel& channel, bool previousInstance) {
  if (!previousInstance) return false;
  for (const char* name : {"P", "D"}) {
    const std::string file = SwitchValue(name);
    if (file.empty()) continue;
    if (channel.SendRequest(QString::fromLatin1(name), QString::fromLocal8Bit(file))) return true;
  }
  return false;
}

}  // namespace

int RunApplication(int argc, char** argv) {
  std::vector<std::string> parameters;
  for (int i = 1; i < argc; ++i) parameters.emplace_back(argv[i]);
  // Answered before any window, so that it works without a display too.
  if (const std::optional<std::string> answer = TerminalAnswer(parameters)) {
    std::fputs(answer->c_str(), stdout);
    return 0;
  }
  TApplication app(argc, argv);
  // Files named relative to where this start was made must still be found by a running viewer.
  SetCommandLine(WithAbsoluteFileSwitches(std::move(parameters),
                                          QDir::currentPath().toLocal8Bit().toStdString()));
  SetProgramFolder(DetermineProgramFolder(std::string()));
  SetupScreenGrid();

  TInstanceChannel channel(TInstanceChannel::DefaultServerName());
  const bool previousInstance = channel.OtherInstanceAnswers();
  if (HandedToRunningInstance(channel, previousInstance)) return 0;
  // A further independent instance leaves the channel to the first one.
  if (!previousInstance) channel.Listen();

  TfrmVexilon window;
  QObject::connect(&channel, &TInstanceChannel::RequestReceived, &window,
                   &TfrmVexilon::RemoteRequest);
  window.show();
  window.StartPrimary(previousInstance);
  return app.exec();
}

}  // namespace vexilon
