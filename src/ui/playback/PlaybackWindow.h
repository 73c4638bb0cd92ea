#pragma once
#include <QMainWindow>
#include <QPointer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/capture/MultiCaptureReader.h"
#include "core/capture/StreamEdit.h"
#include "core/playback/PlaybackCursor.h"
#include "core/playback/PlaybackLayout.h"
#include "ui/playback/TempImage.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSlider;
class QTimer;

namespace vexilon {

class TfrmVexilon;
class TPlaybackView;

// Plays a multi-capture file: indexes it on a timer while the first frame is already shown,
// plays at a chosen speed, steps, zooms, and saves or copies any recorded window's picture.
// It also edits the file: cuts marked frames out, extracts frames or one recorded window into
// a new file, and explodes a window into JPEG files.
// A top-level window of the desktop window that opened it; deleted when closed.
class TfrmPlayback : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmPlayback(TfrmVexilon* desktop);
  ~TfrmPlayback() override;

  // Opens path and shows its first frame; a file that cannot be opened is reported and the
  // window stays without a file. Answers whether it opened.
  bool Open(const QString& path);
  // Shows the frame at index of the frame index; a damaged frame is reported once per file.
  void ShowFrame(int index);
  // Forgets the recorded windows and empties the picture area.
  void ClearWindows();

  // --- state, for the desktop window and tests ---
  QString FileName() const { return FFileName; }
  bool Loading() const { return FLoading; }
  bool Playing() const { return FCursor.Playing(); }
  int Position() const { return FCursor.Position(); }
  int IndexedFrames() const { return int(FReader.FrameIndex().size()); }
  std::int32_t CurFrameNo() const { return FCurFrameNo; }
  QString TimeStampText() const;
  double Zoom() const { return FZoom; }
  bool AutoArrange() const { return FAutoArrange; }
  int CaptionHeight() const { return FCaptionHeight; }
  const std::vector<std::unique_ptr<TTempImage>>& Windows() const { return FWindows; }
  TTempImage* Selected() const { return FSelected; }
  void SetSelected(TTempImage* window) { FSelected = window; }
  TPlaybackView* PictureArea() const { return FView; }
  // The frame marked as the first of a range by Cut; 0 = no mark.
  std::int32_t CutStart() const { return FCutStart; }
  // A cut, extract or explode is running; the window takes no commands meanwhile.
  bool Editing() const { return FEditing; }

  // --- commands ---
  void Open1Click();
  void OpenNext1Click();
  void OpenPrior1Click();
  void btnPlayClick();
  void btnStopClick();
  void btnRewindClick();
  void btnForwardClick();
  void btnBackClick();
  void AutoArrange1Click();
  void ViewFullSize1Click();
  void ClipFrame1Click();
  void QuickSave1Click();
  void SaveAs1Click();
  void btnCutClick();
  void Explode1Click();
  void Extract1Click();
  void ExportVideo1Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildBottomPanel(QWidget* panel);
  QAction* AddAction(QMenu* menu, const char* name, const QString& caption, QKeySequence key);
  void Reset();
  void IndexSlice();
  void Tick();
  void Advance();
  void ShowAgain();
  void ShowImage(const TCaptureImage& image);
  TTempImage* WindowFor(const TCaptureImage& image);
  void SyncPosition();
  void UpdateTimer();
  void ReportDamage(const QString& text);
  void TrackBarMoved(int position);
  void ZoomChanged(int choice);
  void WindowChosen(int index);
  void WindowPressed(TTempImage* window, Qt::MouseButton button, QPoint globalPos);
  void OpenNeighbour(bool forward);
  bool SaveSelected(const std::string& path, const std::string& jpeg);
  QString CaptureFolder() const;
  // Cuts the frames first to last out of the file, which the window then shows on.
  void Delete(std::int32_t first, std::int32_t last);
  // Copies the frames first to last, or all images of the recorded window windowNumber, into a
  // new file the user names.
  void Extract(std::int32_t first, std::int32_t last, std::optional<std::int32_t> windowNumber,
               const QString& windowName);
  // Runs an edit with the progress bar, the window's commands held and pending events running;
  // a close meanwhile cancels the edit. Failures are shown; answers whether the edit ran.
  bool RunEdit(const std::function<void(const TEditProgress&)>& work);

  QPointer<TfrmVexilon> FDesktop;
  TMultiCaptureReader FReader;
  QString FFileName;
  std::vector<std::unique_ptr<TTempImage>> FWindows;
  TAutoArranger FArranger;
  TPlaybackCursor FCursor;
  bool FLoading = false;
  bool FShowFirstPending = false;
  bool FAutoArrange = false;
  bool FDamageReported = false;
  bool FInTick = false;
  double FZoom = 1.0;
  int FLocalCaptionHeight = 0;
  int FCaptionHeight = 0;
  std::optional<std::chrono::steady_clock::time_point> FShownAt;
  std::optional<std::chrono::system_clock::time_point> FCurTime, FNextTime;
  std::int32_t FCurFrameNo = 0;
  int FCurIndex = 0;  // where in the frame index the frame on display is
  std::int32_t FCutStart = 0;
  bool FEditing = false;
  bool FCloseRequested = false;
  std::int32_t FNextFlags = 0;
  TTempImage* FSelected = nullptr;

  TPlaybackView* FView = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QSlider* TrackBar1 = nullptr;
  QSlider* trkSpeed = nullptr;
  QLabel* lblTime = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QComboBox* cbZoom = nullptr;
  QComboBox* cbWindow = nullptr;
  QMenu* FWindowMenu = nullptr;
  QTimer* FTimer = nullptr;
};

}  // namespace vexilon
