#pragma once
#include <QMainWindow>
#include <QPointer>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "core/capture/MultiCaptureReader.h"
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

 protected:
  void resizeEvent(QResizeEvent* event) override;

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
