#include "ui/camera/CameraWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <exception>
#include <future>

#include "core/app/DebugLog.h"
#include "core/app/Settings.h"
#include "core/capture/RawCapture.h"
#include "core/desktop/WindowLayout.h"
#include "core/imaging/Picture.h"
#include "core/net/AudioThread.h"
#include "core/net/RtspAddress.h"
#include "core/net/VideoThread.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Icons.h"
#include "ui/app/MainWindow.h"
#include "ui/app/TextBytes.h"
#include "ui/camera/CameraSink.h"
#include "ui/camera/CameraWindows.h"
#include "ui/camera/FlashbackWindow.h"
#include "ui/camera/PagePicture.h"
#include "ui/camera/RtspCameraSink.h"
#include "ui/camera/SoundOutput.h"
#include "ui/camera/WidgetVisibility.h"

namespace vexilon {
namespace {

int gWindowCounter = 0;
TfrmCamera* gActiveCamera = nullptr;

}  // namespace

TConnectConfig& CameraThreadConfig() {
  static TConnectConfig config;
  return config;
}

TfrmCamera* ActiveCameraWindow() {
  return gActiveCamera;
}

TfrmCamera::TfrmCamera(TCameraWindows& windows, TfrmVexilon* desktop, const TCameraOptions& options)
    : FWindows(&windows),
      FDesktop(desktop),
      FVideoConnect(options.Video),
      FAudioConnect(options.Audio),
      FRtsp(IsRtspAddress(options.Video.Prefix + options.Video.Web)),
      FCaptureFile(options.CaptureFile),
      FTimeout(Settings().Timeout),
      FShared(std::make_shared<TCameraShared>()),
      FCatalogPath(options.CatalogPath) {
  setObjectName("frmCamera");
  FShared->Window = this;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FMenuBar = new QMenuBar(this);
  layout->setMenuBar(FMenuBar);
  PaintBox1 = new TPictureBox(this);
  PaintBox1->SetHeaderTextSource([this] { return HeaderText(); });
  PaintBox1->SetStateSource([this] {
    if (FRtsp) PictureSeen();  // painted: seen again, perhaps
    return StateLine();
  });
  PaintBox1->SetImageSource([this](TPicture& picture, int drawWidth, int drawHeight) {
    FDecoder.DecodeImage(picture, drawWidth, drawHeight);
  });
  layout->addWidget(PaintBox1);
  connect(PaintBox1, &TPictureBox::DoubleClicked, this, &TfrmCamera::QuickCapture1Click);
  // A page wraps at the window's width, so a new width lays it out again.
  connect(PaintBox1, &TPictureBox::Resized, this, [this] {
    if (!FLastPage.empty() && PaintBox1->Picture().Page)
      PaintBox1->SetPicture(RenderPagePicture(FLastPage, PaintBox1->PageWidth()));
    TellDrawSize();
  });
  setWindowTitle(FromBytes(options.Caption));
  setWindowIcon(CameraIcon());
  FDefaultWidth = FVideoConnect.Width;
  FDefaultHeight = FVideoConnect.Height;

  // FormCreate
  gActiveCamera = this;
  FWindowId = ++gWindowCounter;
  CreateRecorder();
  BuildMenus();
  BuildContextMenu();
  FWindows->Added(this);
  SetWindowStyle(options.Style);
  DefaultSize1Click();
}

TfrmCamera::~TfrmCamera() {
  FDestroying = true;
  try {
    FRecorder->Stop();
  } catch (...) {
    // Closing goes on; what was written before stays.
  }
  const std::string caption = windowTitle().toLocal8Bit().toStdString();
  Log("Terminating Camera: " + caption);
  // Another operation may hold the lock while it processes messages; it ends soon.
  while (!TryLock()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  StopThreads();
  Unlock();
  {
    std::lock_guard lock(FShared->Lock);
    FShared->Window = nullptr;
  }
  Log("Terminated Camera: " + caption);
  if (gActiveCamera == this) gActiveCamera = nullptr;
  const TCameraShared* self = FShared.get();
  RtspSoundWindow().compare_exchange_strong(self, nullptr);
  FWindows->Removed(this);
  Log("TfrmCamera.Destroy");
}

void TfrmCamera::StopThreads() {
  // Both threads are told at once, so closing never waits for them one after the other.
  std::future<void> audio;
  if (FAudioThread) {
    audio = std::async(std::launch::async, [thread = FAudioThread.get()] { thread->Stop(); });
  }
  if (FThread) {
    Log("FThread.Terminate");
    if (!FThread->Stop()) Log("FThread.TerminateThread");  // left behind, still in a look-up
  }
  if (audio.valid()) audio.wait();
  FThread.reset();
  FAudioThread.reset();
  FShared->AudioThread = nullptr;
}

bool TfrmCamera::TryLock() {
  return !FLock.exchange(true);
}

void TfrmCamera::Unlock() {
  FLock = false;
}

void TfrmCamera::StartStreams() {
  FCaptionBase = windowTitle().toLocal8Bit().toStdString();
  FRecorder->SetBaseName(FCaptionBase);
  FFrameCount = 0;
  while (!TryLock()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  FThread.reset();
  FAudioThread.reset();
  FShared->AudioThread = nullptr;
  FRtsp = IsRtspAddress(FVideoConnect.Prefix + FVideoConnect.Web);
  if (FRtsp) {
    FShared->PrepareFrames = true;
    TellDrawSize();
    TellWantsJpeg();
    FThread = StartRtspThread();
    if (gActiveCamera == this) TakeRtspSoundFocus();
    Unlock();
    return;
  }
  TConnectConfig config = CameraThreadConfig();
  // Pages are laid out by the window; pictures are decoded by the reader.
  FShared->PrepareFrames = StreamFormatOf(FVideoConnect.Flags) != TStreamFormat::Html;
  TellDrawSize();
  if (!FCaptureFile.empty()) {
    // Opened before the thread starts, so the recording holds the stream from its first byte.
    try {
      config.CaptureOutput = std::make_shared<TRawCaptureFile>(FCaptureFile);
    } catch (const std::exception& e) {
      // The camera runs on without the recording.
      TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    }
  }
  FThread = std::make_unique<TVideoThread>(
      FVideoConnect, std::make_shared<TCameraSink>(FShared, false), std::move(config));
  if (FAudioConnect.IsSeparateAudio() && Settings().AudioOutput) {
    FAudioThread = std::make_unique<TAudioThread>(
        FAudioConnect, std::make_shared<TCameraSink>(FShared, true), CameraThreadConfig(),
        [] { SoundOutput().WaveOut().StopSound(); });
    FShared->AudioThread = FAudioThread.get();
    if (gActiveCamera == this) TakeSoundFocus();
  }
  Unlock();
}

std::unique_ptr<TStreamThread> TfrmCamera::StartRtspThread() {
  if (!FCaptureFile.empty()) {
    // Said once the window is up, not while its lock is held.
    FCaptureFile.clear();
    QTimer::singleShot(0, this, [this] {
      TDialogs::Error(this, QStringLiteral("An RTSP camera's stream cannot be recorded as it "
                                           "comes: use Multi-Capture instead."));
    });
  }
  const TConnectConfig& defaults = CameraThreadConfig();
  TRtspThreadConfig config;
  config.Source.Url = RtspUrlWithAuth(FVideoConnect.Prefix + FVideoConnect.Web, FVideoConnect.Auth);
  config.Source.Tcp = !FVideoConnect.RtspUdp;
  config.Source.Sound = Settings().AudioOutput;
  config.Source.Timeout =
      defaults.Timeout.count() > 0 ? defaults.Timeout : std::chrono::seconds(FTimeout);
  config.RetryDelay = defaults.RetryDelay;
  config.Clock = defaults.Clock;
  return std::make_unique<TRtspThread>(std::move(config),
                                       std::make_shared<TRtspCameraSink>(FShared));
}

void TfrmCamera::TellWantsJpeg() {
  FShared->WantsJpeg = Settings().Flashback > 0 || FRecorder->TakesEveryPicture();
}

void TfrmCamera::TakeRtspSoundFocus() {
  if (FThread && FThread->IsPaused()) return;
  RtspSoundWindow() = FShared.get();
  if (FShared->RtspSound) RtspSoundKnown();
}

void TfrmCamera::RtspSoundKnown() {
  // The camera activated last is heard: a separate sound stream makes way.
  if (RtspSoundWindow().load() != FShared.get()) return;
  if (TAudioThread* owner = AudioOwner().exchange(nullptr)) owner->PauseStream();
}

void TfrmCamera::TakeSoundFocus() {
  RtspSoundWindow() = nullptr;
  if (TAudioThread* owner = AudioOwner().load()) owner->PauseStream();
  AudioOwner() = FAudioThread.get();
  FAudioThread->ResumeStream();
}

bool TfrmCamera::IsPaused() {
  if (!TryLock()) return true;
  const bool paused = !FThread || FThread->IsPaused();
  Unlock();
  return paused;
}

void TfrmCamera::PauseStreams() {
  if (TryLock()) {
    if (FThread) FThread->PauseStream();
    if (FAudioThread) FAudioThread->PauseStream();
    Unlock();
  }
  UpdateCaption();
}

void TfrmCamera::ResumeStreams() {
  if (TryLock()) {
    if (FThread) FThread->ResumeStream();
    bool resumeAudio = FAudioThread != nullptr;
    if (resumeAudio && AudioOwner().load() != FAudioThread.get()) {
      // The sound of a background window stays off.
      if (gActiveCamera != this) {
        resumeAudio = false;
      } else if (TAudioThread* owner = AudioOwner().load()) {
        owner->PauseStream();
      }
      if (resumeAudio) {
        AudioOwner() = FAudioThread.get();
        RtspSoundWindow() = nullptr;
      }
    }
    if (resumeAudio) FAudioThread->ResumeStream();
    FResumed = true;
    Unlock();
  }
  if (FRtsp && gActiveCamera == this) TakeRtspSoundFocus();
  UpdateCaption();
}

bool TfrmCamera::StreamsStalled() {
  if (FDestroying || !TryLock()) return false;
  const bool videoRunning = FThread && !FThread->IsFinished();
  const bool stalled = (videoRunning && FThread->IsStalled()) ||
                       (FAudioThread && videoRunning && FAudioThread->IsStalled());
  Unlock();
  return stalled;
}

void TfrmCamera::ApplyConnection(const TCameraOptions& options) {
  FVideoConnect.SetRecordText(options.Video.GetRecordText());
  FAudioConnect.SetRecordText(options.Audio.GetRecordText());
  FStreaming = false;
  {
    std::lock_guard lock(FShared->Lock);
    FShared->StateReason.clear();
  }
  setWindowTitle(FromBytes(options.Caption));  // the name it takes the captions from
  StartStreams();
  UpdateCaption();
}

void TfrmCamera::RestartStreams() {
  if (FDestroying || !TryLock()) return;
  if (FThread && !FThread->IsFinished()) {
    FThread->RequestRestart();
    if (FAudioThread) FAudioThread->RequestRestart();
  }
  Unlock();
}

bool TfrmCamera::PictureSeen() {
  const auto now = std::chrono::steady_clock::now();
  if (now - FSeenChecked < std::chrono::milliseconds(200)) return FSeen;
  FSeenChecked = now;
  FSeen = PartlyVisible(*PaintBox1);
  FShared->Seen = FSeen;
  return FSeen;
}

void TfrmCamera::TellDrawSize() {
  const QSize area = PaintBox1->DrawSize();
  FShared->DrawWidth = area.width();
  FShared->DrawHeight = area.height();
}

void TfrmCamera::HandleFrame(std::string payload) {
  TCameraFrame frame;
  frame.Bytes = std::move(payload);
  HandleFrame(std::move(frame));
}

void TfrmCamera::HandleFrame(TCameraFrame frame) {
  const std::string& payload = frame.Picture.Jpeg.empty() ? frame.Bytes : frame.Picture.Jpeg;
  if (FDestroying || (payload.empty() && !frame.Prepared)) return;
  if (!payload.empty()) DumpLastPayload(payload);
  if (StreamFormatOf(FVideoConnect.Flags) == TStreamFormat::Html) {
    // Pages are shown as they come, whatever their length; they are no camera pictures.
    PaintBox1->SetPicture(RenderPagePicture(payload, PaintBox1->PageWidth()));
    FLastPage = std::move(frame.Bytes);
    ++FFrameCount;
  } else if (frame.Prepared || payload.size() >= 128) {
    TPicture picture;
    if (frame.Prepared) {
      picture = std::move(frame.Picture);
    } else if (PictureSeen()) {
      const QSize area = PaintBox1->DrawSize();
      picture = FDecoder.Decode(frame.Bytes, area.width(), area.height());
    } else {
      picture = FDecoder.Describe(frame.Bytes);
    }
    PictureSeen();
    const int keep = Settings().Flashback;
    FFlashback.Store(keep > 0 ? picture.Jpeg : std::string(), std::chrono::system_clock::now(),
                     keep);
    const bool real = picture.Real();
    if (real) FLastPicture = std::chrono::steady_clock::now();
    const int width = picture.Width, height = picture.Height;
    PaintBox1->SetPicture(std::move(picture));
    TellDrawSize();
    if (real && Settings().ResetClient == 1) SetClientSize(width, height);
    if (real && Settings().ResetSize) emit FWindows->ImageSize(this, width, height);
    ++FFrameCount;
    ++FStreamFrames;
    if (FStreamFrames > 2 && !FStreaming) {
      FStreaming = true;
      UpdateCaption();
    }
    RecordPicture();
    TellWantsJpeg();
  }
  PostCamStatus();
  FDesktopMark.Captured = false;
}

void TfrmCamera::HeaderTextChanged() {
  PaintBox1->update();  // the header text or the state line over the picture
}

void TfrmCamera::RefreshState() {
  // An RTSP reader sends nothing while nobody sees the window, so nothing else would notice
  // that it can be seen again.
  if (FRtsp) PictureSeen();
  const TPictureBox::TStateLine state = StateLine();
  if (state.Text == FShownState.Text && state.Stale == FShownState.Stale) return;
  FShownState = state;
  PaintBox1->update();
}

TPictureBox::TStateLine TfrmCamera::StateLine() {
  std::string reason;
  std::chrono::steady_clock::time_point nextTry;
  {
    std::lock_guard lock(FShared->Lock);
    reason = FShared->StateReason;
    nextTry = FShared->NextTry;
  }
  const auto now = std::chrono::steady_clock::now();
  QString retry;
  if (nextTry > now) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(nextTry - now).count();
    retry = QStringLiteral(" \u2014 reconnecting in %1 s").arg(seconds);
  }
  TPictureBox::TStateLine state;
  if (IsPaused() || !FThread) return state;
  const bool picture = PaintBox1->Picture().Real();
  // A picture is stale once nothing new came for three times the camera's interval, and at
  // least three seconds: a camera that died must not look live.
  const auto staleAfter = std::max<std::chrono::milliseconds>(
      std::chrono::seconds(3), 3 * std::chrono::milliseconds(FVideoConnect.Interval));
  state.Stale = picture && now - FLastPicture >= staleAfter;
  if (state.Stale) {
    const QDateTime since = QDateTime::currentDateTime().addMSecs(
        -std::chrono::duration_cast<std::chrono::milliseconds>(now - FLastPicture).count());
    state.Text =
        QStringLiteral("No picture since %1").arg(since.toString(QStringLiteral("hh:mm:ss"))) +
        retry;
    if (!reason.empty() && !reason.starts_with("Connecting"))
      state.Text += QLatin1Char('\n') + FromBytes(reason);
  } else if (!picture && !reason.empty()) {
    state.Text = FromBytes(reason) + retry;
  }
  return state;
}

void TfrmCamera::StreamClosed() {
  FStreamFrames = 0;
  FStreaming = false;
}

QString TfrmCamera::HeaderText() const {
  std::lock_guard lock(FShared->Lock);
  return FromBytes(FShared->HeaderText);
}

QString TfrmCamera::AudioHeaderText() const {
  std::lock_guard lock(FShared->Lock);
  return FromBytes(FShared->AudioHeaderText);
}

void TfrmCamera::NoSoundDevice() {
  if (FDesktop != nullptr) FDesktop->SetStatusText(QStringLiteral("(no sound device)"));
}

void TfrmCamera::UpdateCaption() {
  QString caption = FromBytes(FCaptionBase);
  if (Capturing())
    caption +=
        CaptureSuspended() ? QStringLiteral(" (paused capture)") : QStringLiteral(" (capture)");
  if (QAction* suspend = Commands1->findChild<QAction*>(QStringLiteral("SuspendMultiCapture1")))
    suspend->setChecked(CaptureSuspended());
  if (FStreaming) caption += QStringLiteral(" (stream)");
  if (FShared->AudioActive) caption += QStringLiteral(" (audio)");
  if (IsPaused()) caption += QStringLiteral(" (paused)");
  setWindowTitle(caption);
  if (FSubWindow) FSubWindow->setWindowTitle(caption);
}

void TfrmCamera::PostCamStatus() {
  if (gActiveCamera != this || FDesktop == nullptr) return;
  const TPicture& picture = PaintBox1->Picture();
  FDesktop->CamStatus(picture.Width, picture.Height, FFrameCount);
}

void TfrmCamera::PauseOthers1Click() {
  const QList<TfrmCamera*> windows = TCameraWindows::AllWindows();
  for (qsizetype i = windows.size() - 1; i >= 0; --i) {
    if (windows[i] != this) windows[i]->PauseStreams();
  }
  ResumeStreams();
}

void TfrmCamera::ResumeAll1Click() {
  const QList<TfrmCamera*> windows = TCameraWindows::AllWindows();
  for (qsizetype i = windows.size() - 1; i >= 0; --i) windows[i]->ResumeStreams();
}

void TfrmCamera::ViewHeaders1Click() {
  QString text = HeaderText();
  if (const long long dropped = FShared->DroppedFrames; dropped > 0)
    text += QStringLiteral("\r\n\r\n%1 frames dropped: the window could not keep up").arg(dropped);
  TDialogs::Plain(this, text);
}

void TfrmCamera::ViewFlashback1Click() {
  auto* viewer = new TfrmFlashback(FDesktop, FDesktop);
  viewer->Open(FCaptionBase, FFlashback);
}

void TfrmCamera::ViewAudioHeaders1Click() {
  TDialogs::Plain(this, AudioHeaderText());
}

void TfrmCamera::DefaultSize1Click() {
  const int width = FVideoConnect.Width > 0 ? FVideoConnect.Width : kStartClientWidth;
  const int height = FVideoConnect.Height > 0 ? FVideoConnect.Height : kStartClientHeight;
  SetClientSize(width, height);
}

void TfrmCamera::SetClientSize(int width, int height) {
  // Entries and pictures come from outside; a window only grows so far.
  width = std::clamp(width, 1, kMaxClientSize);
  height = std::clamp(height, 1, kMaxClientSize);
  const int bar = FMenuBar->isVisible() ? FMenuBar->sizeHint().height() : 0;
  const QSize size(width, height + bar);
  if (FSubWindow) {
    const QSize frame = FSubWindow->size() - this->size();
    FSubWindow->resize(size + (frame.isValid() ? frame : QSize()));
  } else {
    resize(size);
  }
}

void TfrmCamera::Activated() {
  gActiveCamera = this;
  QWidget* frame = Frame();
  if (frame->isMaximized()) frame->showNormal();
  PostCamStatus();
  if (FAudioThread && AudioOwner().load() != FAudioThread.get() && !IsPaused()) TakeSoundFocus();
  if (FRtsp) TakeRtspSoundFocus();
}

void TfrmCamera::Deactivated() {
  if (gActiveCamera == this) gActiveCamera = nullptr;
}

QWidget* TfrmCamera::Frame() {
  return FSubWindow ? static_cast<QWidget*>(FSubWindow.data()) : this;
}

TCaptureRect TfrmCamera::OuterBounds() {
  const QRect bounds = Frame()->frameGeometry();
  return {bounds.left(), bounds.top(), bounds.left() + bounds.width(),
          bounds.top() + bounds.height()};
}

void TfrmCamera::CloseWindow() {
  Frame()->close();
}

void TfrmCamera::closeEvent(QCloseEvent* event) {
  if (Frame()->isMaximized()) Frame()->showNormal();
  event->accept();
}

void TfrmCamera::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::ActivationChange || FSubWindow) return;
  if (isActiveWindow())
    FWindows->Activated(this);
  else
    FWindows->Deactivated(this);
}

}  // namespace vexilon
