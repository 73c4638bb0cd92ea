// A camera window's multi-capture: the settings dialog, suspending, and handing each new
// picture to the recorder.
#include <QStyle>
#include <exception>

#include "core/app/ProgramPath.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/MultiCaptureDialog.h"

namespace vexilon {

void TfrmCamera::CreateRecorder() {
  TMultiCaptureRecorder::THost host;
  host.CaptureFolder = ExpandProgramPath("./CAPTURE");
  host.WindowId = FWindowId;
  host.CaptionHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight);
  host.SaveSingleCapture = [this] { SaveCapture(); };
  host.StatusText = [this](const std::string& text) {
    if (FDesktop != nullptr) FDesktop->SetStatusText(QString::fromLocal8Bit(text));
  };
  FRecorder = std::make_unique<TMultiCaptureRecorder>(std::move(host));
}

TRecordedPicture TfrmCamera::RecordedPicture(bool starting) {
  const TPicture& picture = PaintBox1->Picture();
  // A video picture is encoded only when the recording takes it.
  const std::string& jpeg = starting || FRecorder->PictureDue() ? PaintBox1->Jpeg() : picture.Jpeg;
  return {picture.Width, picture.Height, &jpeg};
}

void TfrmCamera::RecordPicture() {
  if (!FRecorder->Capturing()) return;
  try {
    FRecorder->NewPicture(RecordedPicture(), FResumed);
  } catch (const std::exception& e) {
    // The recording has ended: one message, not one per frame.
    UpdateCaption();
    TDialogs::Error(this,
                    QStringLiteral("Multi-capture stopped: ") + QString::fromLocal8Bit(e.what()));
    return;
  }
  if (!FRecorder->Capturing()) UpdateCaption();  // the last clip ended
}

void TfrmCamera::MultiCapture1Click() {
  if (FRecorder->Capturing()) {
    if (TDialogs::Confirm(this, QStringLiteral("Do you want to cancel current multi-capture?"),
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
    try {
      FRecorder->Stop();
    } catch (const std::exception& e) {
      TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    }
    UpdateCaption();
    return;
  }
  TfrmMultiCapture dialog(this);
  if (TDialogs::Exec(dialog) != QDialog::Accepted) return;
  try {
    FRecorder->Start(dialog.Chosen(), FFlashback, RecordedPicture(true), FResumed);
  } catch (const std::exception& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
  }
  TellWantsJpeg();
  UpdateCaption();
}

void TfrmCamera::SuspendMultiCapture1Click() {
  FRecorder->SetSuspended(!FRecorder->Suspended());
  TellWantsJpeg();
  UpdateCaption();
}

}  // namespace vexilon
