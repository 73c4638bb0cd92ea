#pragma once
#include <QDateTime>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/capture/DesktopRecorder.h"
#include "core/catalogue/Favorites.h"

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMenu;
class QSlider;
class QSplitter;
class QToolButton;
class QTreeWidget;

namespace vexilon {

class TAudioLevelPanel;
class TCameraWindows;
class TCatalogueController;
class TfrmPlayback;
class TQtTreeNodes;
class TfrmCamera;

// The desktop window: the catalogue tree on the left (in the first one only), camera windows in
// the MDI area, the program's menus and the status bar.
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

  // --- desktops ---
  // Desktop -> Create New: a further desktop window without the catalogue, named after the
  // first free "Desktop n" and entered into the desktop list; shown, deleted when closed.
  static TfrmVexilon* CreateDesktopWindow();
  // This window's name in the desktop list; empty when it is not listed.
  QString DesktopName() const;
  // Replaces this desktop's camera windows with those of a desktop file. A file that cannot
  // be read or is not a desktop file throws (EDesktopFile) and changes nothing.
  void LoadDesktop(const std::string& file);
  // Writes this desktop window and its camera windows as a desktop file; throws EFileWrite.
  void SaveDesktop(const std::string& file);
  // Opens the catalogue entry at path (group names and the entry's name joined by ":", each
  // matched exactly) in this desktop with the given style, as desktop files and favorites do.
  // A value of -1 keeps the window's own size or position. Answers null when path leads to no
  // entry.
  TfrmCamera* OpenCameraByPath(const std::string& path, int left, int top, int width, int height,
                               int style);
  // Commands -> Edit Item: the camera's entry in its editor; once changed, the camera connects
  // again as the entry now says.
  void EditCameraEntry(TfrmCamera* camera);
  // The user trusts the certificate of camera's https:// camera: its entry keeps the pin (and
  // the catalogue is saved when nothing else waits to be), and its windows connect again.
  void TrustCameraCertificate(TfrmCamera* camera, const std::string& fingerprint);
  // Lays out the MDI camera windows in rows, in the Auto-Arrange and Auto-Fit Windows modes
  // (the latter shrinking them until they fit).
  void Fit();

  // The active camera window's menus go into the menu bar between Options and Favorites.
  void MergeChildMenus(const QList<QMenu*>& menus);
  void UnmergeChildMenus();

  // --- desktop multi-capture ---
  // Desktop -> Desktop Multi-Capture: starts a recording of this desktop's camera windows, or
  // offers to stop the one running.
  void DesktopMultiCapture1Click();
  // The desktop timer's step of a running recording.
  void DesktopCaptureTick();
  // Ends a running recording (the window closing, or the user); the file is left complete.
  void StopDesktopCapture();
  bool DesktopCapturing() const { return FDesktopRecorder && FDesktopRecorder->Active(); }
  const TDesktopRecorder* DesktopRecorder() const { return FDesktopRecorder.get(); }

  // --- favorites (one list, the primary window's) ---
  // Rebuilds the favorites after the menu's separator; a favorite opens in this window.
  void Favorites1Click();
  void AddtoFavorites1Click();
  void OrganizeFavorites1Click();
  // Opens a favorite's path here; says so in the status bar when it leads to no entry.
  void OpenFavorite(const std::string& path);

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
  void OpenDesktop1Click();
  void SaveDesktop1Click();
  void CreateNew1Click();
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
  // Rows of the MDI camera windows at their own sizes, giving room to scroll bars as needed.
  void ArrangeWindows1Click();
  void MinimizeAll1Click();
  void ArrangeIcons1Click();
  // Bands one above the other (horizontal) or side by side (vertical).
  void TileClick(bool horizontal);
  void Window1Click();
  void Version1Click();
  // Help -> About: the version, the libraries it is built on, and the licence.
  void About1Click();
  // Options -> File Associations: the check marks, and tying one kind of file to the viewer.
  void FileAssociations1Click();
  void FileAssociationClick(int index);
  void OpenWebLink(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildLeftPanel(QWidget* parent);
  void BuildStatusBar();
  // The mute button and volume slider as the settings say; a change goes to the sound output,
  // to every desktop window's controls and, once settled, to the configuration file.
  void ShowSoundControls();
  void SoundControlsChanged(bool save);
  void BuildMenus();
  void BuildFileMenu();
  void BuildDesktopMenu();
  void BuildOptionsMenu();
  void BuildFavoritesMenu();
  void BuildWindowMenu();
  void BuildGotoMenu();
  void BuildHelpMenu();
  QAction* AddItem(QMenu* menu, const char* name, const QString& caption);
  bool FormCloseQuery();
  void ConnectCatalogueToCameras();
  void MakeSecondary(const QString& name);
  void SetDesktopPlace(int left, int top, int width, int height);
  QList<TfrmCamera*> MdiCameras() const;
  // The sizes, panel width and open folders of the last run, and keeping them for the next.
  void RestoreRememberedLayout();
  void RememberLayout();
  std::vector<TDesktopSource> DesktopSources();
  void ShowDesktopCaptureState();
  // The camera window of the active MDI child, or null.
  TfrmCamera* ActiveMdiCamera() const;
  void AddFavoriteItems(QMenu* menu, const TFavoriteList& list, int& room);

  // The catalogue panel's width at the start; further desktop windows hide it.
  static constexpr int kLeftPanelWidth = 129;

  QTreeWidget* _tv = nullptr;
  QSplitter* Splitter1 = nullptr;
  QWidget* pnlLeft = nullptr;
  TCatalogueController* FCatalogue = nullptr;
  TQtTreeNodes* FTreeNodes = nullptr;
  QMdiArea* FMdiArea = nullptr;
  TCameraWindows* FCameraWindows = nullptr;
  QLabel* FFrameStatus = nullptr;
  TAudioLevelPanel* FAudioLevel = nullptr;
  QLabel* FStatusText = nullptr;
  QToolButton* FMute = nullptr;
  QSlider* FVolume = nullptr;
  QMenu* FOptionsMenu = nullptr;
  QMenu* FFavoritesMenu = nullptr;
  QMenu* FWindowMenu = nullptr;
  QList<QAction*> FWindowListActions;
  QActionGroup* FReformatGroup = nullptr;
  QList<QMenu*> FMergedMenus;
  std::unique_ptr<TDesktopRecorder> FDesktopRecorder;

  bool FPrimary = false;
  bool FCatalogChanged = false;
  bool FFavoritesChanged = false;
  bool FSettingsFromFile = false;
  QDateTime FStatusTime;
  std::function<void()> FOpenHandler;
  std::function<bool()> FSaveHandler;
  std::function<void()> FLoadHandler;
  std::function<void()> FArrangeHandler;
};

// The main window created last, or null; the audio output reports its level to it.
TfrmVexilon* MainWindowHandle();

// The desktop window that holds the catalogue (and the favorites), or null.
TfrmVexilon* PrimaryDesktop();

}  // namespace vexilon
