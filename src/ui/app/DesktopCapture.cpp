// Recording all camera windows of a desktop window into multi-capture files.
#include <QAction>
#include <algorithm>
#include <exception>

#include "core/app/ProgramPath.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/camera/MultiCaptureDialog.h"

namespace vexilon {
namespace {

constexpr int kTimerInterval = 1000;

}  // namespace

std::vector<TDesktopSource> TfrmVexilon::DesktopSources() {
  // Newest window first, as the recording has always listed them.
  std::vector<TDesktopSource> sources;
  const QList<TfrmCamera*>& windows = FCameraWindows->Windows();
  for (qsizetype i = windows.size() - 1; i >= 0; --i) {
    TfrmCamera* camera = windows[i];
    // A decoded video picture is encoded only for a window the recording takes.
    const std::string* jpeg =
        camera->DesktopMark().Captured ? &camera->Picture().Jpeg : &camera->PictureJpeg();
    const TPicture& picture = camera->Picture();
    sources.push_back({&camera->DesktopMark(), camera->IsPaused(), picture.Width, picture.Height,
                       jpeg, camera->OuterBounds(), camera->WindowId(), camera->CaptionBase()});
  }
  return sources;
}

void TfrmVexilon::DesktopMultiCapture1Click() {
  if (DesktopCapturing()) {
    if (TDialogs::Confirm(this, QStringLiteral("Do you want to cancel current multi-capture?"),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
      StopDesktopCapture();
    ShowDesktopCaptureState();
    return;
  }
  TfrmMultiCapture dialog(this, true);
  if (TDialogs::Exec(dialog) != QDialog::Accepted) {
    ShowDesktopCaptureState();
    return;
  }
  for (TfrmCamera* camera : FCameraWindows->Windows()) camera->DesktopMark().Reset();
  if (!FDesktopRecorder) {
    TDesktopRecorder::THost host;
    host.CaptureFolder = ExpandProgramPath("./CAPTURE");
    host.StatusText = [this](const std::string& text) {
      SetStatusText(QString::fromLocal8Bit(text));
    };
    FDesktopRecorder = std::make_unique<TDesktopRecorder>(std::move(host));
  }
  try {
    FDesktopRecorder->Start(dialog.Chosen(), [this] { return DesktopSources(); });
    const int delay = FDesktopRecorder->Delay();
    if (FDesktopRecorder->Active() && delay < FCameraWindows->TimerInterval())
      FCameraWindows->SetTimerInterval(std::max(1, delay));
  } catch (const std::exception& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
  }
  ShowDesktopCaptureState();
}

void TfrmVexilon::DesktopCaptureTick() {
  if (!DesktopCapturing()) return;
  try {
    FDesktopRecorder->Tick([this] { return DesktopSources(); });
  } catch (const std::exception& e) {
    // The recording has ended: one message, not one per step.
    ShowDesktopCaptureState();
    TDialogs::Error(
        this, QStringLiteral("Desktop multi-capture stopped: ") + QString::fromLocal8Bit(e.what()));
    return;
  }
  if (!DesktopCapturing()) ShowDesktopCaptureState();  // the last clip ended
}

void TfrmVexilon::StopDesktopCapture() {
  if (FDesktopRecorder) {
    try {
      FDesktopRecorder->Stop();
    } catch (const std::exception& e) {
      TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    }
  }
  ShowDesktopCaptureState();
}

void TfrmVexilon::ShowDesktopCaptureState() {
  const bool recording = DesktopCapturing();
  if (!recording && FCameraWindows != nullptr) FCameraWindows->SetTimerInterval(kTimerInterval);
  if (QAction* item = findChild<QAction*>(QStringLiteral("DesktopMultiCapture1")))
    item->setChecked(recording);
}

}  // namespace vexilon
