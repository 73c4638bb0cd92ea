// The desktop window's View Image, Options, Window and Goto commands.
#include <QList>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QUrl>

#include "Version.h"
#include "core/app/DataFiles.h"
#include "core/app/LibraryVersions.h"
#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ProxyDialog.h"
#include "ui/app/QueryDialogs.h"
#include "ui/app/ViewGraphic.h"
#include "ui/camera/SoundOutput.h"

namespace vexilon {

namespace {

// The manual's pages behind the Goto menu's links: its home, connecting cameras (also opened at
// the first start) and reporting a problem.
const char* const kManualPages[] = {"index.html", "connecting-cameras.html",
                                    "reporting-problems.html"};

// The build's version as four numbers, whatever the build system filled in.
QString FourPartVersion() {
  QStringList parts = QString::fromLatin1(kVersionText).split(QLatin1Char('.'));
  while (parts.size() < 4) parts.append(QStringLiteral("0"));
  return parts.mid(0, 4).join(QLatin1Char('.'));
}

}  // namespace

void TfrmVexilon::ViewImage1Click() {
  const QString folder = QString::fromStdString(ExpandProgramPath("./CAPTURE"));
  const QString fileName =
      TDialogs::OpenFileName(this, QStringLiteral("View Image"), folder, PictureFileFilter());
  if (fileName.isEmpty()) return;
  const QImage picture = LoadPictureFile(fileName);
  if (picture.isNull()) {
    TDialogs::Error(this, QStringLiteral("Cannot show ") + fileName +
                              QStringLiteral(": not a picture this viewer can read"));
    return;
  }
  auto* viewer = new TfrmViewGraphic(this);
  viewer->SetPicture(picture);
  viewer->show();
}

void TfrmVexilon::Timeout1Click() {
  int value = Settings().Timeout;
  if (!NumberQuery(QStringLiteral("Enter Timeout"),
                   QStringLiteral("After how long of inactivity should the connection be reset?"),
                   value, kTimeoutRange.Low, kTimeoutRange.High))
    return;
  Settings().Timeout = value;
  SaveSettings();
}

void TfrmVexilon::ProxyServer1Click() {
  if (ExecuteProxyDialog(this, Settings())) SaveSettings();
}

void TfrmVexilon::Flashback1Click() {
  int value = Settings().Flashback;
  if (!NumberQuery(QStringLiteral("Enter Flashback"),
                   QStringLiteral("Enter the number of frames to preserve in flashback\n(at most "
                                  "64 MB of pictures are kept per camera, whatever the number)"),
                   value, kFlashbackRange.Low, kFlashbackRange.High))
    return;
  Settings().Flashback = value;
  SaveSettings();
}

void TfrmVexilon::AudioDevice1Click() {
  Settings().AudioOutput = !Settings().AudioOutput;
  SaveSettings();
  SoundOutput().ApplySettings();
}

void TfrmVexilon::AudioBufferSize1Click() {
  int value = Settings().AudioBuffer;
  if (!NumberQuery(QStringLiteral("Enter Audio Buffer"),
                   QStringLiteral("Enter the number of audio frames to buffer before starting"),
                   value, kAudioBufferRange.Low, kAudioBufferRange.High))
    return;
  Settings().SetAudioBuffer(value);
  SaveSettings();
  SoundOutput().ApplySettings();
}

void TfrmVexilon::CPUUtilization1Click() {
  int value = Settings().CpuUsage;
  if (!NumberQuery(QStringLiteral("Enter CPU Utilization"),
                   QStringLiteral("Enter the amount of CPU resources to use"), value,
                   kCpuUsageRange.Low, kCpuUsageRange.High))
    return;
  Settings().CpuUsage = value;
  SaveSettings();
}

void TfrmVexilon::ResetImageSizes1Click() {
  Settings().ResetSize = !Settings().ResetSize;
  SaveSettings();
}

void TfrmVexilon::MaintainAspectRatio1Click() {
  // Deliberately not written: the file learns it with the next change that is.
  Settings().Aspect = !Settings().Aspect;
}

void TfrmVexilon::WindowReformattingClick(int mode) {
  // Auto-Arrange arranges before the configuration is written, Auto-Fit after; both in the
  // new mode, which decides what the arrangement does.
  Settings().ResetClient = mode;
  if (mode == 2) ArrangeCameras();
  SaveSettings();
  if (mode == 3) ArrangeCameras();
}

void TfrmVexilon::MinimizeAll1Click() {
  // Collected first: minimizing changes the order of the list.
  const QList<QMdiSubWindow*> windows = FMdiArea->subWindowList();
  for (QMdiSubWindow* window : windows) window->showMinimized();
}

void TfrmVexilon::ArrangeIcons1Click() {
  // Minimised windows in a row along the bottom of the area, left to right.
  int left = 0;
  for (QMdiSubWindow* window : FMdiArea->subWindowList()) {
    if (!window->isMinimized()) continue;
    const QSize size = window->size();
    if (left > 0 && left + size.width() > FMdiArea->viewport()->width()) left = 0;
    window->move(left, FMdiArea->viewport()->height() - size.height());
    left += size.width();
  }
}

void TfrmVexilon::TileClick(bool horizontal) {
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window : FMdiArea->subWindowList()) {
    if (!window->isMinimized()) windows.append(window);
  }
  if (windows.isEmpty()) return;
  const QSize area = FMdiArea->viewport()->size();
  const int n = int(windows.size());
  for (int i = 0; i < n; ++i) {
    if (windows[i]->isMaximized()) windows[i]->showNormal();
    if (horizontal) {
      const int top = area.height() * i / n, bottom = area.height() * (i + 1) / n;
      windows[i]->setGeometry(0, top, area.width(), bottom - top);
    } else {
      const int left = area.width() * i / n, right = area.width() * (i + 1) / n;
      windows[i]->setGeometry(left, 0, right - left, area.height());
    }
  }
}

void TfrmVexilon::Version1Click() {
  TDialogs::Plain(this, QStringLiteral("Vexilon v") + FourPartVersion());
}

void TfrmVexilon::About1Click() {
  const QString text =
      QStringLiteral(
          "Vexilon v%1\n\nA viewer for network cameras.\n\nBuilt with Qt %2 (running on "
          "Qt %3), %4.\n\nLicence: proprietary, for the Vexilon developers' users; "
          "see the manual (F1) for help.")
          .arg(FourPartVersion(), QString::fromLatin1(QT_VERSION_STR),
               QString::fromLatin1(qVersion()), QString::fromLatin1(LibraryVersions().c_str()));
  TDialogs::Message(this, QMessageBox::Information, QStringLiteral("About Vexilon"), text,
                    QMessageBox::Ok, QMessageBox::Ok);
}

void TfrmVexilon::OpenWebLink(int index) {
  if (index < 0 || index >= 3) return;
  const std::string page = kManualPages[index];
  const std::string file =
      ProgramDataFile("share/doc/vexilon/manual/" + page, "doc/manual/" + page);
  if (file.empty()) {
    TDialogs::Error(this, QStringLiteral("The manual page %1 is not installed.")
                              .arg(QString::fromLatin1(page.c_str())));
    return;
  }
  TDialogs::OpenUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(file)));
}

}  // namespace vexilon
