#pragma once
#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>

#include "ui/camera/CameraOptions.h"

class QMdiSubWindow;

namespace vexilon {

class TfrmCamera;
class TfrmVexilon;

// The camera windows of one desktop window: opens them, knows which is active (its menus are
// merged into the menu bar while it is an MDI child), and runs the desktop's 1000 ms timer
// that restarts stalled cameras, clears old status text and closes idle sound.
class TCameraWindows : public QObject {
  Q_OBJECT
 public:
  explicit TCameraWindows(TfrmVexilon& desktop);
  ~TCameraWindows() override;

  // Creates the window in the options's style and starts its streams.
  TfrmCamera* OpenCamera(const TCameraOptions& options);
  const QList<TfrmCamera*>& Windows() const { return FWindows; }
  TfrmCamera* Active() const { return FActive; }
  TfrmVexilon& Desktop() const { return FDesktop; }
  // Every camera window of the process, for Pause Others and Resume All.
  static QList<TfrmCamera*> AllWindows();

  void CloseAll();
  // One tick of the desktop timer; public so that tests need not wait for it.
  void Tick();
  // A desktop recording shortens the timer's interval while it runs.
  void SetTimerInterval(int milliseconds) { FTimer.setInterval(milliseconds); }
  int TimerInterval() const { return FTimer.interval(); }

  // From the windows.
  void Added(TfrmCamera* window);
  void Removed(TfrmCamera* window);
  void Activated(TfrmCamera* window);
  void Deactivated(TfrmCamera* window);

 signals:
  // With RESETSIZE on, every real picture reports its size, so that the desktop can store it
  // as the entry's default size.
  void ImageSize(TfrmCamera* window, int width, int height);

 private:
  void SubWindowActivated(QMdiSubWindow* sub);
  // Places a new MDI window below and right of the ones opened before it.
  void Cascade(QMdiSubWindow* sub, int index);

  TfrmVexilon& FDesktop;
  QList<TfrmCamera*> FWindows;
  TfrmCamera* FActive = nullptr;
  QTimer FTimer;
  std::chrono::steady_clock::time_point FLastStateRefresh;
};

}  // namespace vexilon
