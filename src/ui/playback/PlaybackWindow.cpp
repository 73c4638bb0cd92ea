#include "ui/playback/PlaybackWindow.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "core/app/Settings.h"
#include "core/imaging/Jpeg.h"
#include "core/playback/PlaybackPacing.h"
#include "ui/app/Dialogs.h"
#include "ui/app/Icons.h"
#include "ui/app/MainWindow.h"
#include "ui/app/WindowPlaces.h"
#include "ui/playback/PlaybackView.h"

namespace vexilon {
namespace {

// Indexing goes on in slices on a 10 ms timer, so the first frames play at once.
constexpr int kTickMs = 10;
constexpr std::size_t kFramesPerSlice = 10;
// A file of unknown or image records only still yields the timer regularly.
constexpr int kMaxRecordsPerSlice = 2000;
// The file decides how many windows and how large their pictures are: beyond these, further
// windows are not drawn and pictures are left out, so a hostile file cannot exhaust memory.
constexpr std::size_t kMaxWindows = 64;
constexpr std::int64_t kMaxPicturePixels = std::int64_t(4096) * 4096;
constexpr std::int64_t kMaxPixelsShown = std::int64_t(64) << 20;
constexpr int kMaxNameLength = 255;

constexpr char kCaption[] = "Playback Multi-Capture File";

std::int64_t PixelsOf(const QImage& image) {
  return std::int64_t(image.width()) * image.height();
}

// Decodes a recorded picture when it stays within pixelBudget; null otherwise.
QImage DecodePicture(const std::string& jpeg, std::int64_t pixelBudget) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(jpeg.data());
  int width = 0, height = 0;
  if (jpeg.empty() || !JpegSize(bytes, jpeg.size(), width, height)) return QImage();
  const std::int64_t pixels = std::int64_t(width) * height;
  if (pixels > kMaxPicturePixels || pixels > pixelBudget) return QImage();
  TBitmap bitmap;
  if (!DecodeJpeg(bytes, jpeg.size(), bitmap)) return QImage();
  return QImage(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Width * 3,
                QImage::Format_RGB888)
      .copy();
}

std::int64_t MillisecondsBetween(std::chrono::system_clock::time_point from,
                                 std::chrono::system_clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

}  // namespace

TfrmPlayback::TfrmPlayback(TfrmVexilon* desktop)
    : QMainWindow(desktop, Qt::Window), FDesktop(desktop) {
  setObjectName("frmPlayback");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromLatin1(kCaption));
  setWindowIcon(RecordingIcon());
  setMinimumSize(360, 100);
  resize(680, 620);
  RestorePlace(*this, Settings().Remembered.PlaybackWindow, false);
  FLocalCaptionHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight);
  FCaptionHeight = FLocalCaptionHeight;

  auto* central = new QWidget(this);
  BuildBottomPanel(central);
  setCentralWidget(central);
  BuildMenus();
  FView->SetWindows(&FWindows);
  FView->SetCaptionHeight(FCaptionHeight);

  FTimer = new QTimer(this);
  FTimer->setObjectName("Timer1");
  FTimer->setInterval(kTickMs);
  connect(FTimer, &QTimer::timeout, this, &TfrmPlayback::Tick);
}

TfrmPlayback::~TfrmPlayback() {
  FView->SetWindows(nullptr);
}

void TfrmPlayback::Reset() {
  FCursor.Reset();
  SyncPosition();
  FLoading = false;
  FShowFirstPending = false;
  ProgressBar1->hide();
  ClearWindows();
  FReader.Close();
  FShownAt.reset();
  FCurTime.reset();
  FNextTime.reset();
  FCurFrameNo = 0;
  FNextFlags = 0;
  FCutStart = 0;
  FDamageReported = false;
  FCaptionHeight = FLocalCaptionHeight;
  FView->SetCaptionHeight(FCaptionHeight);
  lblTime->clear();
  UpdateTimer();
}

bool TfrmPlayback::Open(const QString& path) {
  Reset();
  FFileName = QFileInfo(path).absoluteFilePath();
  setWindowTitle(QString::fromLatin1(kCaption));
  try {
    FReader.Open(FFileName.toLocal8Bit().toStdString());
  } catch (const EMultiCaptureRead& e) {
    TDialogs::Error(this, QString::fromLocal8Bit(e.what()));
    return false;
  }
  setWindowTitle(QString::fromLatin1(kCaption) + QStringLiteral("  - ") +
                 QFileInfo(FFileName).fileName());
  {
    const QSignalBlocker blocker(cbZoom);
    cbZoom->setCurrentIndex(kDefaultZoomChoice);
  }
  FZoom = ZoomOfChoice(kDefaultZoomChoice);
  FView->SetZoom(FZoom);
  ProgressBar1->setRange(0, int(std::min<std::int64_t>(FReader.FileSize(), INT_MAX)));
  ProgressBar1->setValue(0);
  ProgressBar1->show();
  FLoading = true;
  FShowFirstPending = true;
  // A message box about damage runs its own event loop; the timer must not walk meanwhile.
  FInTick = true;
  IndexSlice();
  FInTick = false;
  UpdateTimer();
  return true;
}

void TfrmPlayback::IndexSlice() {
  const std::size_t target = FReader.FrameIndex().size() + kFramesPerSlice;
  for (int walked = 0;
       !FReader.Indexed() && FReader.FrameIndex().size() < target && walked < kMaxRecordsPerSlice;
       ++walked)
    FReader.IndexStep(1);
  ProgressBar1->setValue(int(std::min<std::int64_t>(FReader.ScanPosition(), INT_MAX)));
  // A camera recording states its caption height before the first frame: its rectangles
  // were made with it, so its pictures fit their frames exactly.
  if (FShowFirstPending && FReader.CaptionHeight()) {
    FCaptionHeight = SaneCaptionHeight(*FReader.CaptionHeight());
    FView->SetCaptionHeight(FCaptionHeight);
  }
  const bool complete = FReader.Indexed();
  if (complete) {
    FLoading = false;
    ProgressBar1->hide();
  }
  FCursor.SetMaximum(IndexedFrames());
  SyncPosition();
  if (FShowFirstPending && IndexedFrames() > 0) {
    FShowFirstPending = false;
    ShowFrame(0);
  }
  if (complete && FReader.Damaged()) {
    ReportDamage(QStringLiteral("The multi-capture file %1 is damaged at offset %2; the frames "
                                "before it can be played.")
                     .arg(QFileInfo(FFileName).fileName())
                     .arg(FReader.ScanPosition()));
  }
}

void TfrmPlayback::Tick() {
  // An edit reads the file and the frame index as they were when it began.
  if (FInTick || FEditing) return;
  FInTick = true;
  if (FLoading) IndexSlice();
  if (FCursor.Playing()) {
    TPaceInput pace;
    pace.Speed = trkSpeed->value();
    if (FShownAt) {
      pace.ElapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - *FShownAt)
                           .count();
    }
    if (FCurTime && FNextTime) pace.GapMs = MillisecondsBetween(*FCurTime, *FNextTime);
    pace.NextBreak = (FNextFlags & kImageBreak) != 0;
    if (ShouldAdvance(pace)) Advance();
  }
  FInTick = false;
  UpdateTimer();
}

void TfrmPlayback::UpdateTimer() {
  // Idle windows do not wake the machine.
  const bool needed = FLoading || FCursor.Playing();
  if (needed && !FTimer->isActive()) FTimer->start();
  if (!needed && FTimer->isActive()) FTimer->stop();
}

void TfrmPlayback::Advance() {
  const std::optional<int> index = FCursor.Advance(IndexedFrames(), FLoading);
  SyncPosition();
  if (index) ShowFrame(*index);
}

void TfrmPlayback::SyncPosition() {
  const QSignalBlocker blocker(TrackBar1);
  TrackBar1->setMaximum(FCursor.Maximum());
  TrackBar1->setValue(FCursor.Position());
}

void TfrmPlayback::ShowFrame(int index) {
  if (index < 0 || index >= IndexedFrames()) return;
  TCaptureFrame frame;
  try {
    frame = FReader.ReadFrame(std::size_t(index));
  } catch (const EMultiCaptureRead& e) {
    ReportDamage(QString::fromLocal8Bit(e.what()));
    return;
  }
  FCurFrameNo = frame.FrameNumber;
  FCurIndex = index;
  FCurTime = frame.Time;
  FShownAt = std::chrono::steady_clock::now();
  const QDateTime time = QDateTime::fromMSecsSinceEpoch(
      std::chrono::duration_cast<std::chrono::milliseconds>(frame.Time.time_since_epoch()).count());
  lblTime->setText(time.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")) +
                   QStringLiteral(" Frame ") + QString::number(frame.FrameNumber));
  FNextTime = frame.NextTime;
  FNextFlags = frame.NextFlags.value_or(0);
  if (frame.CaptionHeight) {
    FCaptionHeight = SaneCaptionHeight(*frame.CaptionHeight);
    FView->SetCaptionHeight(FCaptionHeight);
  }
  for (const TCaptureImage& image : frame.Images) ShowImage(image);
  FView->UpdateExtent(true);
}

void TfrmPlayback::ShowImage(const TCaptureImage& image) {
  TTempImage* window = nullptr;
  std::int64_t othersPixels = 0;
  for (const auto& w : FWindows) {
    if (w->WindowNumber == image.WindowNumber)
      window = w.get();
    else
      othersPixels += PixelsOf(w->Picture);
  }
  QImage picture = DecodePicture(image.Jpeg, kMaxPixelsShown - othersPixels);
  if (window == nullptr) {
    if (FWindows.size() >= kMaxWindows) return;
    auto created = std::make_unique<TTempImage>();
    created->Name = QString::fromLocal8Bit(
        image.Name.data(), qsizetype(std::min<std::size_t>(image.Name.size(), kMaxNameLength)));
    created->WindowNumber = image.WindowNumber;
    window = created.get();
    FWindows.push_back(std::move(created));
    const QSignalBlocker blocker(cbWindow);
    cbWindow->addItem(window->Name);
    cbWindow->setCurrentIndex(-1);
    if (FAutoArrange) {
      // Without a picture the recorded size stands in for it.
      const TCaptureRect recorded = SaneRect(image.Rect);
      const int width = picture.isNull() ? recorded.Right - recorded.Left - 2 : picture.width();
      const int height =
          picture.isNull() ? recorded.Bottom - recorded.Top - 2 - FCaptionHeight : picture.height();
      window->Rect =
          FArranger.Place(width, height, FCaptionHeight, FZoom, ScrollBox1->viewport()->width());
    }
  }
  if (!FAutoArrange) window->Rect = SaneRect(image.Rect);
  window->FrameNo = FCurFrameNo;
  window->Jpeg = image.Jpeg;
  window->Picture = std::move(picture);
}

void TfrmPlayback::ClearWindows() {
  {
    const QSignalBlocker blocker(cbWindow);
    cbWindow->clear();
  }
  FSelected = nullptr;
  FWindows.clear();
  FArranger.Reset();
  FView->UpdateExtent(false);
}

void TfrmPlayback::ShowAgain() {
  if (IndexedFrames() == 0) return;
  ClearWindows();
  ShowFrame(FCursor.Position() > 0 ? FCursor.Position() - 1 : 0);
}

void TfrmPlayback::ReportDamage(const QString& text) {
  if (FDamageReported) return;
  FDamageReported = true;
  FCursor.Stop();
  UpdateTimer();
  TDialogs::Error(this, text);
}

QString TfrmPlayback::TimeStampText() const {
  return lblTime->text();
}

void TfrmPlayback::btnPlayClick() {
  const std::optional<int> index = FCursor.Play(IndexedFrames(), FLoading);
  SyncPosition();
  if (index) ShowFrame(*index);
  UpdateTimer();
}

void TfrmPlayback::btnStopClick() {
  FCursor.Stop();
  UpdateTimer();
}

void TfrmPlayback::btnRewindClick() {
  FCursor.Rewind();
  SyncPosition();
  FShownAt.reset();
  FCurTime.reset();
  FCurFrameNo = 0;
  UpdateTimer();
}

void TfrmPlayback::btnForwardClick() {
  FCursor.Stop();
  Advance();
  UpdateTimer();
}

void TfrmPlayback::btnBackClick() {
  const std::optional<int> index = FCursor.BackOne();
  SyncPosition();
  if (index) ShowFrame(*index);
  UpdateTimer();
}

void TfrmPlayback::TrackBarMoved(int position) {
  // Nothing is drawn until the next step, which shows the frame at the new position at once.
  FCursor.MoveTo(position);
  FShownAt.reset();
  FCurTime.reset();
  FCurFrameNo = 0;
}

void TfrmPlayback::ZoomChanged(int choice) {
  FZoom = ZoomOfChoice(choice);
  FView->SetZoom(FZoom);
  if (FAutoArrange)
    ShowAgain();
  else
    FView->UpdateExtent(false);
}

void TfrmPlayback::AutoArrange1Click() {
  FAutoArrange = !FAutoArrange;
  if (QAction* item = findChild<QAction*>("AutoArrange1")) item->setChecked(FAutoArrange);
  ShowAgain();
}

void TfrmPlayback::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // Once the layout has settled, so that the picture area has its new width.
  if (FAutoArrange) QTimer::singleShot(0, this, [this] { ShowAgain(); });
}

}  // namespace vexilon
