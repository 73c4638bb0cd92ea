#pragma once
#include <QMdiSubWindow>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "core/capture/DesktopRecorder.h"
#include "core/capture/Flashback.h"
#include "core/capture/MultiCaptureRecorder.h"
#include "core/catalogue/WebConnect.h"
#include "core/net/ConnectThread.h"
#include "ui/camera/CameraOptions.h"
#include "ui/camera/FrameDecoder.h"
#include "ui/camera/PictureBox.h"

class QAction;
class QMenu;
class QMenuBar;

namespace vexilon {

class TAudioThread;
class TCameraWindows;
class TfrmCamera;
class TStreamThread;
class TfrmVexilon;
struct TCameraShared;
struct TCameraFrame;

// How camera windows set up their threads (the viewer's defaults); tests shorten the times
// and inject look-ups.
TConnectConfig& CameraThreadConfig();

// The camera window that was created or activated last, or null.
TfrmCamera* ActiveCameraWindow();

// One opened catalogue entry: its own copies of the connection descriptors, the threads that
// read the camera, the current picture and the Commands and Style menus. Lives in its desktop
// window's MDI area, or as a window of its own (popup, or on top of all others).
class TfrmCamera : public QWidget {
  Q_OBJECT
 public:
  TfrmCamera(TCameraWindows& windows, TfrmVexilon* desktop, const TCameraOptions& options);
  ~TfrmCamera() override;

  // Starts the threads; called once, right after creation.
  void StartStreams();
  // Connects again with the connection of options (after the entry was edited); the window
  // keeps its place, style and recordings.
  void ApplyConnection(const TCameraOptions& options);
  bool IsPaused();
  void PauseStreams();
  void ResumeStreams();
  bool StreamsStalled();
  void RestartStreams();
  // Closes the window, and its MDI frame when it has one.
  void CloseWindow();

  // Called on the user-interface thread by the threads' sink.
  void HandleFrame(TCameraFrame frame);
  void HandleFrame(std::string payload);  // a frame the reader left as it came
  void HeaderTextChanged();
  void StreamClosed();
  void UpdateCaption();
  // Sound arrived but no sound device could be opened.
  void NoSoundDevice();
  // The RTSP camera's sound is decoded: heard if this window has the sound.
  void RtspSoundKnown();
  // The https:// camera's certificate is neither signed by a known authority nor the one the
  // entry trusts: asks, once per certificate, whether to trust it from now on.
  void CertificateUntrusted(const std::string& fingerprint, const std::string& why);
  // Trusts fingerprint for this window alone and connects again (a camera with no entry).
  void UseCertificatePin(const std::string& fingerprint);

  void SetWindowStyle(int style);
  int WindowStyle() const { return FStyle; }
  // Moves the window into target's MDI area as a child (the Style menu's MDI-Child command),
  // whatever its style and desktop were.
  void MoveToDesktop(TfrmVexilon* target);
  // The size of the picture area; the window's frame and menu bar grow around it.
  void SetClientSize(int width, int height);
  // The widget that is the window on screen: the MDI frame or this.
  QWidget* Frame();
  QMdiSubWindow* SubWindow() const { return FSubWindow; }
  QList<QMenu*> Menus() const;

  int WindowId() const { return FWindowId; }
  int FrameCount() const { return FFrameCount; }
  const TPicture& Picture() const { return PaintBox1->Picture(); }
  // The current picture's JPEG, encoded now when it came as a decoded video picture.
  const std::string& PictureJpeg() { return PaintBox1->Jpeg(); }
  TPictureBox* PictureBox() const { return PaintBox1; }
  QString HeaderText() const;
  // The camera's state as the window shows it over the picture or above the header text.
  TPictureBox::TStateLine StateLine();
  // Repaints when the state line has changed without any event of the camera's (a countdown,
  // a picture gone stale).
  void RefreshState();
  const std::shared_ptr<TCameraShared>& SharedState() const { return FShared; }
  QString AudioHeaderText() const;
  const std::string& CaptionBase() const { return FCaptionBase; }
  const std::string& CatalogPath() const { return FCatalogPath; }
  int DefaultWidth() const { return FDefaultWidth; }
  int DefaultHeight() const { return FDefaultHeight; }
  TfrmVexilon* Desktop() const { return FDesktop; }
  TAudioThread* AudioThread() const { return FAudioThread.get(); }
  int LastCaptureNumber() const { return FLastCaptureNumber; }
  const TFlashbackStore& Flashback() const { return FFlashback; }
  // What a desktop recording has written of this window; a new picture clears Captured.
  TDesktopCaptureMark& DesktopMark() { return FDesktopMark; }
  // The window's outer bounds: inside the desktop's MDI area for a child, on the screen else.
  TCaptureRect OuterBounds();

  // Menu commands.
  void Clip1Click();
  void DefaultSize1Click();
  void Pause1Click() { PauseStreams(); }
  void Resume1Click() { ResumeStreams(); }
  void PauseOthers1Click();
  void QuickCapture1Click();
  void ResumeAll1Click();
  void ViewHeaders1Click();
  void ViewAudioHeaders1Click();
  void ViewFlashback1Click();
  void MultiCapture1Click();
  void SuspendMultiCapture1Click();
  bool Capturing() const { return FRecorder->Capturing(); }
  bool CaptureSuspended() const { return FRecorder->Suspended(); }
  const TMultiCaptureRecorder& Recorder() const { return *FRecorder; }

  // Sound follows the active camera window.
  void Activated();
  void Deactivated();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool TryLock();
  void Unlock();
  void BuildMenus();
  void BuildContextMenu();
  void Style1Popup();
  void PostCamStatus();
  void StopThreads();
  // The thread that reads an RTSP camera's pictures.
  std::unique_ptr<TStreamThread> StartRtspThread();
  // Tells the reader whether every picture must come with its JPEG.
  void TellWantsJpeg();
  void TakeSoundFocus();
  void TakeRtspSoundFocus();
  // Whether any of the picture can be seen now (checked at most a few times a second), and
  // what the reader thread decodes for: told to the shared state.
  bool PictureSeen();
  void TellDrawSize();
  // Writes the current picture to the next numbered JPEG file and says so; throws EFileWrite.
  void SaveCapture();
  TRecordedPicture RecordedPicture(bool starting = false);
  // Hands a new picture to a running multi-capture; a failure ends it with one message.
  void RecordPicture();
  void CreateRecorder();

  TCameraWindows* FWindows;  // of FDesktop
  TfrmVexilon* FDesktop;
  TPictureBox* PaintBox1 = nullptr;
  QMenu* Commands1 = nullptr;
  QMenu* Style1 = nullptr;
  QMenu* FContextMenu = nullptr;
  QMenuBar* FMenuBar = nullptr;  // shown while the window is not an MDI child
  QPointer<QMdiSubWindow> FSubWindow;
  int FStyle = csPopup;

  TVideoConnect FVideoConnect;
  TAudioConnect FAudioConnect;
  bool FRtsp = false;  // an RTSP camera, read by an RTSP thread
  std::string FCaptureFile;
  int FTimeout = 15;
  bool FResumed = false;
  int FFrameCount = 0;
  int FStreamFrames = 0;
  bool FStreaming = false;
  std::atomic<bool> FLock{false};
  std::unique_ptr<TStreamThread> FThread;
  std::unique_ptr<TAudioThread> FAudioThread;
  std::shared_ptr<TCameraShared> FShared;
  int FLastCaptureNumber = 0;
  std::unique_ptr<TMultiCaptureRecorder> FRecorder;
  bool FDestroying = false;
  std::string FCatalogPath;
  std::string FCaptionBase;
  int FWindowId = 0;
  int FDefaultWidth = 0, FDefaultHeight = 0;
  TFlashbackStore FFlashback;
  TDesktopCaptureMark FDesktopMark;
  // An html camera's last page, laid out again when the window resizes.
  std::string FLastPage;
  // When the last real picture came, and the state line as last refreshed.
  std::chrono::steady_clock::time_point FLastPicture;
  TPictureBox::TStateLine FShownState;
  TFrameDecoder FDecoder;  // for frames the reader thread left undecoded
  bool FSeen = true;
  std::string FRefusedCertificate;  // the user said no: not asked about again here
  std::chrono::steady_clock::time_point FSeenChecked;
};

}  // namespace vexilon
