// The playback window's File > Export Video: the recording, or its chosen window, as a video
// others can play.
#include <QFileInfo>
#include <QProgressDialog>

#include "core/export/VideoExport.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/playback/PlaybackWindow.h"
#include "ui/playback/TempImage.h"

namespace vexilon {

void TfrmPlayback::ExportVideo1Click() {
  if (FFileName.isEmpty() || IndexedFrames() == 0) return;
  const QString proposed =
      CaptureFolder() + QLatin1Char('/') + QFileInfo(FFileName).completeBaseName() + ".mkv";
  const QString target = TDialogs::SaveFileName(
      this, QStringLiteral("Export Video"), proposed,
      QStringLiteral("Matroska video, pictures as recorded (*.mkv);;MP4 video, H.264 (*.mp4)"),
      QStringLiteral("mkv"));
  if (target.isEmpty()) return;
  TVideoExportOptions options;
  options.Source = FFileName.toLocal8Bit().toStdString();
  options.Target = target.toLocal8Bit().toStdString();
  options.Format = VideoFormatFor(options.Target);
  // A desktop recording exports the window chosen in it.
  if (FSelected != nullptr) options.Window = FSelected->WindowNumber;
  options.Last = IndexedFrames();

  QProgressDialog cancel(QStringLiteral("Exporting %1\u2026").arg(QFileInfo(target).fileName()),
                         QStringLiteral("Cancel"), 0, 0, this);
  cancel.setWindowTitle(QStringLiteral("Export Video"));
  cancel.setMinimumDuration(500);
  TVideoExportResult result;
  const bool ran = RunEdit([&](const TEditProgress& progress) {
    result = ExportVideo(options, [&](std::int32_t done, std::int32_t total) {
      cancel.setMaximum(total);
      cancel.setValue(done);
      return progress(done, total) && !cancel.wasCanceled();
    });
  });
  cancel.reset();
  if (!ran || result.Cancelled || FDesktop == nullptr) return;
  FDesktop->SetStatusText(
      QStringLiteral("Exported %1 frames to file: %2").arg(result.Frames).arg(target));
}

}  // namespace vexilon
