#include "ui/camera/CameraWindows.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <algorithm>

#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/SoundOutput.h"

namespace vexilon {
namespace {

QList<TCameraWindows*>& AllManagers() {
  static QList<TCameraWindows*> managers;
  return managers;
}

// A capture message stays this long in the status bar.
constexpr qint64 kStatusTextSeconds = 10;

}  // namespace

TCameraWindows::TCameraWindows(TfrmVexilon& desktop) : QObject(&desktop), FDesktop(desktop) {
  setObjectName("CameraWindows");
  AllManagers().append(this);
  if (QMdiArea* area = FDesktop.MdiArea()) {
    connect(area, &QMdiArea::subWindowActivated, this, &TCameraWindows::SubWindowActivated);
  }
  FTimer.setInterval(1000);
  connect(&FTimer, &QTimer::timeout, this, &TCameraWindows::Tick);
  FTimer.start();
}

TCameraWindows::~TCameraWindows() {
  AllManagers().removeAll(this);
  // Whatever is still open goes now, while the desktop window exists.
  const QList<TfrmCamera*> windows = FWindows;
  for (TfrmCamera* window : windows) {
    if (QMdiSubWindow* sub = window->SubWindow())
      delete sub;
    else
      delete window;
  }
}

void TCameraWindows::Cascade(QMdiSubWindow* sub, int index) {
  // Each new window steps down and right by a title bar, so that none hides another's caption;
  // the steps start again at the top before they leave the upper half of the area.
  QMdiArea* area = FDesktop.MdiArea();
  const int step = std::max(16, sub->height() - sub->widget()->height());
  const int steps = std::max(1, area->viewport()->height() / 2 / step);
  const int offset = (index % steps) * step;
  sub->move(offset, offset);
}

QList<TfrmCamera*> TCameraWindows::AllWindows() {
  QList<TfrmCamera*> all;
  for (TCameraWindows* manager : AllManagers()) all += manager->FWindows;
  return all;
}

TfrmCamera* TCameraWindows::OpenCamera(const TCameraOptions& options) {
  int mdiWindows = 0;
  for (TfrmCamera* other : FWindows) mdiWindows += other->SubWindow() != nullptr ? 1 : 0;
  auto* window = new TfrmCamera(*this, &FDesktop, options);
  if (QMdiSubWindow* sub = window->SubWindow()) Cascade(sub, mdiWindows);
  Activated(window);
  window->StartStreams();
  return window;
}

void TCameraWindows::CloseAll() {
  const QList<TfrmCamera*> windows = FWindows;
  for (qsizetype i = windows.size() - 1; i >= 0; --i) windows[i]->CloseWindow();
  QCoreApplication::processEvents();
}

void TCameraWindows::Tick() {
  // The state line counts down in seconds, however short a desktop recording makes the tick.
  const auto now = std::chrono::steady_clock::now();
  const bool refresh = now - FLastStateRefresh >= std::chrono::seconds(1);
  if (refresh) FLastStateRefresh = now;
  for (TfrmCamera* window : FWindows) {
    if (window->StreamsStalled()) window->RestartStreams();
    if (refresh) window->RefreshState();
  }
  const QDateTime shown = FDesktop.StatusTime();
  if (shown.isValid() && !FDesktop.StatusText().isEmpty() &&
      shown.secsTo(QDateTime::currentDateTime()) >= kStatusTextSeconds) {
    FDesktop.SetStatusText(QString());
  }
  FDesktop.DesktopCaptureTick();
  SoundOutput().WaveOut().CloseIdleSound();
}

void TCameraWindows::Added(TfrmCamera* window) {
  FWindows.append(window);
}

void TCameraWindows::Removed(TfrmCamera* window) {
  FWindows.removeAll(window);
  if (FActive == window) {
    FActive = nullptr;
    FDesktop.UnmergeChildMenus();
  }
}

void TCameraWindows::Activated(TfrmCamera* window) {
  if (FActive != window && FActive != nullptr) FActive->Deactivated();
  FActive = window;
  if (window->WindowStyle() == csMdiChild)
    FDesktop.MergeChildMenus(window->Menus());
  else
    FDesktop.UnmergeChildMenus();
  window->Activated();
}

void TCameraWindows::Deactivated(TfrmCamera* window) {
  if (FActive != window) return;
  window->Deactivated();
  FActive = nullptr;
  FDesktop.UnmergeChildMenus();
}

void TCameraWindows::SubWindowActivated(QMdiSubWindow* sub) {
  for (TfrmCamera* window : FWindows) {
    if (sub != nullptr && window->SubWindow() == sub) {
      Activated(window);
      return;
    }
  }
  if (FActive != nullptr && FActive->WindowStyle() == csMdiChild) Deactivated(FActive);
}

}  // namespace vexilon
