// Multi-capture files handed to the desktop window play in playback windows of their own.
#include "core/app/ProgramPath.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {

TfrmPlayback* TfrmVexilon::PlayFile(const QString& file) {
  auto* playback = new TfrmPlayback(this);
  playback->show();
  playback->raise();
  playback->activateWindow();
  playback->Open(file);
  return playback;
}

void TfrmVexilon::PlayMultiCapture1Click() {
  const QString file =
      TDialogs::OpenFileName(this, QStringLiteral("Play Multi-Capture"),
                             QString::fromLocal8Bit(ExpandProgramPath("./CAPTURE")),
                             QStringLiteral("Multi-Capture Files (*.vmc)"));
  if (!file.isEmpty()) PlayFile(file);
}

}  // namespace vexilon
