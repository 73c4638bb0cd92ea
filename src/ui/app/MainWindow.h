#pragma once
#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMenu;
class QTreeWidget;

namespace vexilon {

class TAudioLevelPanel;
class TCameraWindows;
class TCatalogueController;
class TfrmPlayback;
class TQtTreeNodes;

// A desktop file handed to the viewer that waits until desktops can take it.
struct TOpenRequest {
  enum TKind { OpenDesktop };
  TKind Kind = OpenDesktop;
  QString File;
  bool InThisWindow = false;  // a desktop file for this window rather than a new one
};

// The desktop window: the catalogue tree on the left, camera windows in the MDI area, the
// program's menus and the status bar.
class TfrmVexilon : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmVexilon(QWidget* parent = nullptr);
  ~TfrmVexilon() override;

  // The first window's start-up after the catalogue is wired in: loads it, opens the camera
  // site unless told not to, and takes the /D and /P files of the command line.
  void StartPrimary(bool previousInstance);

  // --- for the catalogue integration ---
  TQtTreeNodes* TreeNodes() const { return FTreeNodes; }
  QTreeWidget* Tree() const { return _tv; }
  QMdiArea* MdiArea() const { return FMdiArea; }
  // The camera windows of this desktop window.
  TCameraWindows* CameraWindows() const { return FCameraWindows; }
  bool Primary() const { return FPrimary; }
  // The primary window's catalogue; null until StartPrimary.
  TCatalogueController* Catalogue() const { return FCatalogue; }
  // The changed flags live with the catalogue once the window has one.
  bool CatalogChanged() const;
  void SetCatalogChanged(bool changed);
  bool FavoritesChanged() const;
  void SetFavoritesChanged(bool changed);
  bool SettingsFromFile() const { return FSettingsFromFile; }
  void SetSettingsFromFile(bool fromFile) { FSettingsFromFile = fromFile; }
  // File -> Open; enables the item.
  void SetOpenHandler(std::function<void()> handler);
  // File -> Save and the save offered when closing; answers whether it saved. Enables the item.
  void SetSaveHandler(std::function<bool()> handler);
  // Start-up load of the connection file (run by StartPrimary; failures are its own business).
  void SetLoadHandler(std::function<void()> handler);
  // The window arrangement that Auto-Arrange and Auto-Fit Windows run.
  void SetArrangeHandler(std::function<void()> handler);
  // Runs that arrangement now (a camera window that became an MDI child asks for it).
  void ArrangeCameras();

  // The active camera window's menus go into the menu bar between Options and Favorites.
  void MergeChildMenus(const QList<QMenu*>& menus);
  void UnmergeChildMenus();

  // Files handed over (by a second start or the command line) and not yet opened.
  const std::vector<TOpenRequest>& PendingRequests() const { return FPendingRequests; }
  std::vector<TOpenRequest> TakePendingRequests();

  TAudioLevelPanel* AudioLevelPanel() const { return FAudioLevel; }
  QString FrameStatusText() const;
  QString StatusText() const;
  QDateTime StatusTime() const { return FStatusTime; }

  // Writes the configuration file; a failure is shown and the settings stay in memory.
  bool SaveSettings();

 public slots:
  // From the audio output: the buffer fill level in percent and whether it is still filling.
  void AudioLevel(int prebuffering, int level);
  // From the active camera window: frame count and picture size.
  void CamStatus(int width, int height, int frameCount);
  void SetStatusText(const QString& text);
  // From a second start: "P" plays a multi-capture file, "D" opens a desktop file.
  void RemoteRequest(const QString& switchName, const QString& file);
  // Opens file in a new playback window, brought to the front first.
  TfrmPlayback* PlayFile(const QString& file);
  void OpenDesktop(const QString& file, bool inThisWindow);

  void Open1Click();
  void Save1Click();
  void Exit1Click();
  // Opens a picture file in a viewer window of its own.
  void ViewImage1Click();
  // Desktop -> Play Multi-Capture: a chosen file in a new playback window.
  void PlayMultiCapture1Click();
  void Options1Click();
  void Timeout1Click();
  void ProxyServer1Click();
  void Flashback1Click();
  void AudioDevice1Click();
  void AudioBufferSize1Click();
  void CPUUtilization1Click();
  void ResetImageSizes1Click();
  void MaintainAspectRatio1Click();
  void WindowReformattingClick(int mode);
  void MinimizeAll1Click();
  void ArrangeIcons1Click();
  // Bands one above the other (horizontal) or side by side (vertical).
  void TileClick(bool horizontal);
  void Window1Click();
  void Version1Click();
  void OpenWebLink(int index);

 signals:
  void OpenRequestQueued();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLeftPanel(QWidget* parent);
  void BuildStatusBar();
  void BuildMenus();
  void BuildFileMenu();
  void BuildDesktopMenu();
  void BuildOptionsMenu();
  void BuildFavoritesMenu();
  void BuildWindowMenu();
  void BuildGotoMenu();
  QAction* AddItem(QMenu* menu, const char* name, const QString& caption);
  void Queue(const TOpenRequest& request, const QString& note);
  bool FormCloseQuery();
  void ConnectCatalogueToCameras();

  QTreeWidget* _tv = nullptr;
  TCatalogueController* FCatalogue = nullptr;
  TQtTreeNodes* FTreeNodes = nullptr;
  QMdiArea* FMdiArea = nullptr;
  TCameraWindows* FCameraWindows = nullptr;
  QLabel* FFrameStatus = nullptr;
  TAudioLevelPanel* FAudioLevel = nullptr;
  QLabel* FStatusText = nullptr;
  QMenu* FOptionsMenu = nullptr;
  QMenu* FFavoritesMenu = nullptr;
  QMenu* FWindowMenu = nullptr;
  QList<QAction*> FWindowListActions;
  QActionGroup* FReformatGroup = nullptr;
  QList<QMenu*> FMergedMenus;

  bool FPrimary = false;
  bool FCatalogChanged = false;
  bool FFavoritesChanged = false;
  bool FSettingsFromFile = false;
  QDateTime FStatusTime;
  std::vector<TOpenRequest> FPendingRequests;
  std::function<void()> FOpenHandler;
  std::function<bool()> FSaveHandler;
  std::function<void()> FLoadHandler;
  std::function<void()> FArrangeHandler;
};

// The main window created last, or null; the audio output reports its level to it.
TfrmVexilon* MainWindowHandle();

}  // namespace vexilon
