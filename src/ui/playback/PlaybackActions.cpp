// The playback window's file commands and what it does with one recorded window: view it full
// size, copy it, save it.
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScrollArea>
#include <exception>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/capture/CaptureNames.h"
#include "core/playback/PlaybackFiles.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ViewGraphic.h"
#include "ui/playback/PlaybackView.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {

QString TfrmPlayback::CaptureFolder() const {
  return QString::fromLocal8Bit(ExpandProgramPath("./CAPTURE"));
}

void TfrmPlayback::Open1Click() {
  // The dialog starts at the file on display, else in the capture folder.
  const QString start = FFileName.isEmpty() ? CaptureFolder() : FFileName;
  const QString path = TDialogs::OpenFileName(this, QStringLiteral("Open"), start,
                                              QStringLiteral("Multi-Capture Files (*.vmc)"));
  if (!path.isEmpty()) Open(path);
}

void TfrmPlayback::OpenNext1Click() {
  OpenNeighbour(true);
}

void TfrmPlayback::OpenPrior1Click() {
  OpenNeighbour(false);
}

void TfrmPlayback::OpenNeighbour(bool forward) {
  const QFileInfo current(FFileName);
  const QString folder = FFileName.isEmpty() ? CaptureFolder() : current.absolutePath();
  const std::optional<std::string> neighbour =
      NeighbourFile(MultiCaptureFilesIn(folder.toLocal8Bit().toStdString()),
                    current.fileName().toLocal8Bit().toStdString(), forward);
  if (!neighbour) {
    TDialogs::Information(
        this, forward ? QStringLiteral("End of List") : QStringLiteral("Start of List"));
    return;
  }
  Open(folder + QLatin1Char('/') + QString::fromLocal8Bit(*neighbour));
}

void TfrmPlayback::WindowPressed(TTempImage* window, Qt::MouseButton button, QPoint globalPos) {
  FSelected = window;
  if (window != nullptr && button == Qt::RightButton) FWindowMenu->popup(globalPos);
}

void TfrmPlayback::WindowChosen(int index) {
  if (index >= 0 && index < int(FWindows.size())) {
    FSelected = FWindows[std::size_t(index)].get();
    // At the pointer when it is over the picture area, else just below the list.
    QPoint at = QCursor::pos();
    if (!ScrollBox1->rect().contains(ScrollBox1->mapFromGlobal(at)))
      at = cbWindow->mapToGlobal(QPoint(0, cbWindow->height()));
    FWindowMenu->popup(at);
  }
  cbWindow->setCurrentIndex(-1);
}

void TfrmPlayback::ViewFullSize1Click() {
  if (FSelected == nullptr || FSelected->Picture.isNull()) return;
  auto* viewer = new TfrmViewGraphic(this);
  viewer->setObjectName("frmViewGraphic");
  viewer->setWindowTitle(QStringLiteral("Image - ") + FSelected->Name + QStringLiteral(" #") +
                         QString::number(FSelected->FrameNo));
  viewer->SetPicture(FSelected->Picture);
  viewer->show();
}

void TfrmPlayback::ClipFrame1Click() {
  if (FSelected == nullptr || FSelected->Picture.isNull()) return;
  QGuiApplication::clipboard()->setImage(FSelected->Picture);
}

bool TfrmPlayback::SaveSelected(const std::string& path, const std::string& jpeg) {
  try {
    // The image as it was recorded, not a copy compressed again.
    WriteFileAtomically(path, jpeg);
    return true;
  } catch (const std::exception& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    return false;
  }
}

void TfrmPlayback::QuickSave1Click() {
  if (FSelected == nullptr || FSelected->Jpeg.empty()) return;
  const std::string path = NextNumberedFileName(ExpandProgramPath("./CAPTURE"),
                                                FSelected->Name.toLocal8Bit().toStdString(), ".jpg",
                                                FSelected->SaveCounter);
  if (!SaveSelected(path, FSelected->Jpeg)) return;
  if (FDesktop)
    FDesktop->SetStatusText(QStringLiteral("Captured to file: ") + QString::fromLocal8Bit(path));
}

void TfrmPlayback::SaveAs1Click() {
  if (FSelected == nullptr || FSelected->Jpeg.empty()) return;
  // The picture chosen, even when play goes on or the windows are laid out anew meanwhile.
  const std::string jpeg = FSelected->Jpeg;
  const QString path =
      TDialogs::SaveFileName(this, QStringLiteral("Save As"), CaptureFolder(),
                             QStringLiteral("JPEG Image File (*.jpg)"), QStringLiteral("jpg"));
  if (!path.isEmpty()) SaveSelected(path.toLocal8Bit().toStdString(), jpeg);
}

}  // namespace vexilon
