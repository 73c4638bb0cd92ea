// The playback window's editing of its file: marking a range of frames with Cut, then cutting
// it out or extracting it; extracting or exploding one recorded window. The file work is the
// core's; here are the questions, the progress bar and the window's state around it.
#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <exception>

#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "core/capture/CaptureNames.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/WindowPlaces.h"
#include "ui/playback/ClippedFrames.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {
namespace {

// Pending events run this often while an edit goes on, so the window repaints and its
// progress moves without the edit spending its time in the event loop.
constexpr int kEventsEveryMs = 50;

int ProgressValue(std::int64_t bytes) {
  return int(std::clamp<std::int64_t>(bytes, 0, INT_MAX));
}

std::string Local8(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

}  // namespace

void TfrmPlayback::btnCutClick() {
  if (FCurFrameNo == 0) {
    TDialogs::Error(this, QStringLiteral("You must have the first frame to cut displayed on the "
                                         "screen."));
    return;
  }
  // The place in the index, not the number stored in the frame: a damaged file may number
  // its frames wrongly, and the cut works on the index.
  const std::int32_t onDisplay = FCurIndex + 1;
  if (FCutStart == 0) {
    if (TDialogs::Confirm(this,
                          QStringLiteral("Select point to delete up to and then select cut again."),
                          QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok)
      FCutStart = onDisplay;
    return;
  }
  const std::int32_t first = FCutStart;
  FCutStart = 0;
  TfrmClippedFrames dialog(this, first, onDisplay);
  const int choice = TDialogs::Exec(dialog);
  if (choice == QDialog::Accepted)
    Extract(first, onDisplay, std::nullopt, QString());
  else if (choice == TfrmClippedFrames::kClippedDelete)
    Delete(first, onDisplay);
}

void TfrmPlayback::Delete(std::int32_t first, std::int32_t last) {
  if (FLoading) {
    TDialogs::Plain(this, QStringLiteral("You must wait for the file to finish loading first."));
    return;
  }
  if (!CutSpan(FReader.FrameIndex(), FReader.FileSize(), first, last)) {
    TDialogs::Error(this, QStringLiteral("Must select an end frame after the first frame"));
    return;
  }
  const std::string path = Local8(FFileName);
  // The cut writes a new version beside the file; a file the user may not change stays as is.
  if (::access(path.c_str(), W_OK) != 0) {
    TDialogs::Error(this, QStringLiteral("Could not re-open file for write access"));
    return;
  }
  FCursor.Stop();
  UpdateTimer();
  TCutResult result;
  const bool ran = RunEdit([&](const TEditProgress& progress) {
    result = CutFrames(path, FReader.FrameIndex(), FReader.FileSize(), first, last, progress);
  });
  if (!ran || result.Cancelled) return;
  try {
    FReader.OpenIndexed(path, result.FrameIndex);
  } catch (const EMultiCaptureRead& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    Reset();
    return;
  }
  // The position is the first frame cut: the next step shows the frame that now follows it.
  FCursor.SetMaximum(IndexedFrames());
  TrackBarMoved(first);
  SyncPosition();
  if (FDesktop) {
    FDesktop->SetStatusText(QStringLiteral("Cut frames %1 to %2 out of %3")
                                .arg(first)
                                .arg(last)
                                .arg(QFileInfo(FFileName).fileName()));
  }
}

void TfrmPlayback::Extract(std::int32_t first, std::int32_t last,
                           std::optional<std::int32_t> windowNumber, const QString& windowName) {
  int counter = 0;
  const std::string proposed =
      NextNumberedFileName(ExpandProgramPath("./CAPTURE"),
                           windowNumber ? Local8(windowName) : "Extract", ".vmc", counter);
  const QString target = TDialogs::SaveFileName(
      this, QStringLiteral("Enter directory and filename prefix"), QString::fromLocal8Bit(proposed),
      QStringLiteral("Multi-Capture Files (*.vmc)"), QStringLiteral("vmc"));
  if (target.isEmpty()) return;
  const std::string source = Local8(FFileName);
  const std::string targetPath = Local8(target);
  TExtractResult result;
  const bool ran = RunEdit([&](const TEditProgress& progress) {
    result = windowNumber
                 ? ExtractWindow(source, *windowNumber, targetPath, FLocalCaptionHeight, progress)
                 : ExtractFrames(source, FReader.FrameIndex(), first, last, targetPath,
                                 FLocalCaptionHeight, progress);
  });
  if (!ran || result.Cancelled) return;
  if (result.DamageAt) {
    TDialogs::Error(this, QStringLiteral("The multi-capture file %1 is damaged at offset %2; the "
                                         "%3 images before it were extracted to %4.")
                              .arg(QFileInfo(FFileName).fileName())
                              .arg(*result.DamageAt)
                              .arg(result.Images)
                              .arg(target));
  } else if (FDesktop) {
    FDesktop->SetStatusText(
        QStringLiteral("Extracted %1 frames to file: %2").arg(result.Images).arg(target));
  }
}

void TfrmPlayback::Extract1Click() {
  if (FSelected == nullptr || IndexedFrames() == 0) return;
  Extract(1, IndexedFrames(), FSelected->WindowNumber, FSelected->Name);
}

void TfrmPlayback::Explode1Click() {
  if (FSelected == nullptr) return;
  // The window may be gone once events have run; its number is what the walk needs.
  const std::int32_t windowNumber = FSelected->WindowNumber;
  const QString chosen = TDialogs::SaveFileName(
      this, QStringLiteral("Enter directory and filename prefix"),
      CaptureFolder() + QLatin1Char('/') + FSelected->Name, QString(), QString(), false);
  if (chosen.isEmpty()) return;
  const QFileInfo base(QFileInfo(chosen).absoluteFilePath());
  const std::string source = Local8(FFileName);
  TExtractResult result;
  const bool ran = RunEdit([&](const TEditProgress& progress) {
    result = ExplodeWindow(source, windowNumber, Local8(base.absolutePath()),
                           Local8(base.completeBaseName()), progress);
  });
  if (!ran || result.Cancelled) return;
  if (result.DamageAt) {
    TDialogs::Error(this, QStringLiteral("The multi-capture file %1 is damaged at offset %2; the "
                                         "%3 images before it were written.")
                              .arg(QFileInfo(FFileName).fileName())
                              .arg(*result.DamageAt)
                              .arg(result.Images));
  } else if (FDesktop && result.Images > 0) {
    FDesktop->SetStatusText(QStringLiteral("Exploded %1 images, the last to file: %2")
                                .arg(result.Images)
                                .arg(QString::fromLocal8Bit(result.LastFile)));
  }
}

bool TfrmPlayback::RunEdit(const std::function<void(const TEditProgress&)>& work) {
  // Commands meanwhile would act on a file and an index that are about to change.
  FEditing = true;
  QList<QAction*> held;
  for (QAction* action : findChildren<QAction*>()) {
    if (action->isEnabled()) {
      action->setEnabled(false);
      held.append(action);
    }
  }
  centralWidget()->setEnabled(false);
  menuBar()->setEnabled(false);
  ProgressBar1->setRange(0, 1);
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  QCoreApplication::processEvents();

  QElapsedTimer sinceEvents;
  sinceEvents.start();
  const TEditProgress progress = [&](std::int64_t done, std::int64_t total) {
    ProgressBar1->setRange(0, ProgressValue(total));
    ProgressBar1->setValue(ProgressValue(done));
    if (sinceEvents.elapsed() >= kEventsEveryMs) {
      QCoreApplication::processEvents();
      sinceEvents.restart();
    }
    return !FCloseRequested;
  };
  QString failure;
  try {
    work(progress);
  } catch (const std::exception& e) {
    failure = QString::fromLocal8Bit(e.what());
  }

  for (QAction* action : held) action->setEnabled(true);
  centralWidget()->setEnabled(true);
  menuBar()->setEnabled(true);
  FEditing = false;
  if (FLoading) {
    ProgressBar1->setRange(0, ProgressValue(FReader.FileSize()));
    ProgressBar1->setValue(ProgressValue(FReader.ScanPosition()));
  } else {
    ProgressBar1->hide();
  }
  UpdateTimer();
  if (FCloseRequested) {
    // Closed while the edit ran: the edit was cancelled, and now the window goes.
    QTimer::singleShot(0, this, &QWidget::close);
    return false;
  }
  if (!failure.isEmpty()) TDialogs::Error(this, failure);
  return failure.isEmpty();
}

void TfrmPlayback::closeEvent(QCloseEvent* event) {
  if (FEditing) {
    FCloseRequested = true;
    event->ignore();
    return;
  }
  RememberPlace(Settings().Remembered.PlaybackWindow, PlaceOf(*this));
  QMainWindow::closeEvent(event);
}

}  // namespace vexilon
