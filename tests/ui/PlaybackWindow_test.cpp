#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProgressBar>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "UiTestSupport.h"
#include "core/capture/MultiCaptureWriter.h"
#include "core/imaging/Jpeg.h"
#include "support/GreyJpeg.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ViewGraphic.h"
#include "ui/playback/PlaybackView.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;

const auto kStart = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000));

// A grey picture whose size tells it apart.
std::string Picture(int width, int height, std::uint8_t shade = 128) {
  return GreyJpeg(width, height, shade);
}

// One recorded image of a test file.
struct TShot {
  std::int32_t Window;
  const char* Name;
  TCaptureRect Rect;
  std::string Jpeg;
  std::int32_t Flags = 0;
};

struct TRecordedFrame {
  std::chrono::milliseconds At;
  std::vector<TShot> Shots;
};

// Writes the frames and answers the byte offset at which each frame record starts.
std::vector<std::int64_t> WriteFile(const std::string& path,
                                    const std::vector<TRecordedFrame>& frames,
                                    std::optional<std::int32_t> captionHeight = std::nullopt) {
  TMultiCaptureWriter writer;
  writer.Create(path, captionHeight);
  std::vector<std::int64_t> offsets;
  for (const TRecordedFrame& frame : frames) {
    offsets.push_back(writer.BytesWritten());
    writer.AppendFrame(kStart + frame.At);
    for (const TShot& shot : frame.Shots)
      writer.AppendImage(shot.Flags, shot.Rect, shot.Window, shot.Name, shot.Jpeg);
  }
  writer.Close();
  return offsets;
}

// A camera recording: one window, frames a second apart.
std::vector<TRecordedFrame> OneWindow(int count, const std::string& jpeg) {
  std::vector<TRecordedFrame> frames;
  for (int i = 0; i < count; ++i)
    frames.push_back({i * 1000ms, {{1, "Gate", {0, 0, 10, 30}, jpeg}}});
  return frames;
}

class TPlaybackTest : public TUiTest {
 protected:
  void SetUp() override {
    TUiTest::SetUp();
    FDesktop = std::make_unique<TfrmVexilon>();
  }
  void TearDown() override {
    FDesktop.reset();
    TUiTest::TearDown();
  }

  TfrmPlayback* Play(const std::string& path) {
    return FDesktop->PlayFile(QString::fromStdString(path));
  }
  static void Trigger(TfrmPlayback* window, const char* action) {
    Child<QAction>(*window, action)->trigger();
  }
  static bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    return QTest::qWaitFor(done, timeoutMs);
  }
  static QSlider* Slider(TfrmPlayback* window, const char* name) {
    return Child<QSlider>(*window, name);
  }
  static std::string Bytes(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);
    return bytes;
  }

  // Two windows of a desktop recording: Alpha in every frame but the third, Beta in the first,
  // third (after a break of a minute) and fourth.
  const std::string FA1 = Picture(40, 30, 10), FA2 = Picture(40, 30, 60), FA4 = Picture(40, 30, 90);
  const std::string FB1 = Picture(48, 36, 200), FB3 = Picture(48, 36, 220);
  const TCaptureRect FAlphaRect{10, 10, 52, 62}, FBetaRect{100, 20, 150, 78};
  std::vector<TRecordedFrame> Desktop() const {
    return {{0ms, {{1, "Alpha", FAlphaRect, FA1}, {2, "Beta", FBetaRect, FB1}}},
            {1000ms, {{1, "Alpha", FAlphaRect, FA2}}},
            {61000ms, {{2, "Beta", FBetaRect, FB3, kImageBreak}}},
            {62000ms, {{1, "Alpha", FAlphaRect, FA4}, {2, "Beta", FBetaRect, FB3}}}};
  }

  std::unique_ptr<TfrmVexilon> FDesktop;
};

TEST_F(TPlaybackTest, ShowsTheFirstFrameAtOnceAndIndexesTheRestOnTheTimer) {
  WriteFile(File("long.vmc"), OneWindow(300, Picture(8, 8)), 20);
  TfrmPlayback* window = Play(File("long.vmc"));
  EXPECT_EQ(window->windowTitle(), "Playback Multi-Capture File  - long.vmc");
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->Loading());
  EXPECT_LT(window->IndexedFrames(), 300);
  EXPECT_EQ(window->CurFrameNo(), 1);
  EXPECT_TRUE(window->TimeStampText().endsWith(" Frame 1"));
  EXPECT_TRUE(Child<QProgressBar>(*window, "ProgressBar1")->isVisibleTo(window));
  // The recording's own caption height, with which its rectangles were made.
  EXPECT_EQ(window->CaptionHeight(), 20);
  ASSERT_EQ(window->Windows().size(), 1u);
  EXPECT_EQ(window->Windows()[0]->Name, "Gate");
  EXPECT_EQ(window->Windows()[0]->Picture.size(), QSize(8, 8));

  const int firstMaximum = Slider(window, "TrackBar1")->maximum();
  ASSERT_TRUE(WaitFor([&] { return !window->Loading(); }));
  EXPECT_GT(Slider(window, "TrackBar1")->maximum(), firstMaximum);
  EXPECT_EQ(Slider(window, "TrackBar1")->maximum(), 300);
  EXPECT_FALSE(Child<QProgressBar>(*window, "ProgressBar1")->isVisibleTo(window));
  EXPECT_EQ(window->Position(), 0);
  EXPECT_EQ(TDialogs::MessageCount(), 0);
}

TEST_F(TPlaybackTest, StepsForwardAndBackThroughADesktopRecording) {
  WriteFile(File("desk.vmc"), Desktop());
  TfrmPlayback* window = Play(File("desk.vmc"));
  ASSERT_TRUE(WaitFor([&] { return !window->Loading(); }));
  ASSERT_EQ(window->Windows().size(), 2u);
  auto* list = Child<QComboBox>(*window, "cbWindow");
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(1), "Beta");
  EXPECT_EQ(list->currentIndex(), -1);
  const TTempImage& alpha = *window->Windows()[0];
  const TTempImage& beta = *window->Windows()[1];
  EXPECT_EQ(alpha.Rect, FAlphaRect);
  EXPECT_EQ(beta.Rect, FBetaRect);
  // The picture area reaches the furthest window.
  EXPECT_EQ(window->PictureArea()->minimumSize(), QSize(150, 78));

  // Position p means p frames shown; after opening the first is on display at position 0.
  struct TStep {
    const char* Action;
    int Position;
    int Frame;
    int AlphaFrame;
    int BetaFrame;
  } steps[] = {{"ForwardOne1", 1, 1, 1, 1}, {"ForwardOne1", 2, 2, 2, 1},
               {"ForwardOne1", 3, 3, 2, 3}, {"ForwardOne1", 4, 4, 4, 4},
               {"ForwardOne1", 4, 4, 4, 4}, {"BackOne1", 3, 3, 4, 3},
               {"BackOne1", 2, 2, 2, 3},    {"BackOne1", 1, 1, 1, 1},
               {"BackOne1", 0, 1, 1, 1},    {"BackOne1", 0, 1, 1, 1}};
  for (const TStep& step : steps) {
    Trigger(window, step.Action);
    EXPECT_EQ(window->Position(), step.Position) << step.Action << " to " << step.Position;
    EXPECT_EQ(window->CurFrameNo(), step.Frame) << step.Action << " to " << step.Position;
    EXPECT_EQ(alpha.FrameNo, step.AlphaFrame) << step.Action << " to " << step.Position;
    EXPECT_EQ(beta.FrameNo, step.BetaFrame) << step.Action << " to " << step.Position;
  }
  EXPECT_EQ(beta.Jpeg, FB1);

  // A click picks the window under it; nothing under it picks none.
  TPlaybackView* area = window->PictureArea();
  QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(120, 40));
  EXPECT_EQ(window->Selected(), &beta);
  QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(30, 30));
  EXPECT_EQ(window->Selected(), &alpha);
  QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(80, 5));
  EXPECT_EQ(window->Selected(), nullptr);

  Trigger(window, "Rewind1");
  EXPECT_EQ(window->Position(), 0);
  EXPECT_EQ(window->CurFrameNo(), 0);
  Trigger(window, "ForwardOne1");
  EXPECT_EQ(window->CurFrameNo(), 1);
  EXPECT_EQ(TDialogs::MessageCount(), 0);
}

TEST_F(TPlaybackTest, PlaysToTheEndAtAFixedIntervalAndOnlyAgainAfterRewind) {
  WriteFile(File("six.vmc"), OneWindow(6, Picture(8, 8)));
  TfrmPlayback* window = Play(File("six.vmc"));
  ASSERT_TRUE(WaitFor([&] { return !window->Loading(); }));
  Slider(window, "trkSpeed")->setValue(3);  // 50 ms a frame
  QElapsedTimer clock;
  clock.start();
  Trigger(window, "Play1");
  EXPECT_TRUE(window->Playing());
  ASSERT_TRUE(WaitFor([&] { return !window->Playing(); }));
  // Six frames shown, the first at once: five intervals.
  EXPECT_GE(clock.elapsed(), 5 * 50);
  EXPECT_EQ(window->Position(), 6);
  EXPECT_EQ(window->CurFrameNo(), 6);

  Trigger(window, "Play1");
  EXPECT_FALSE(window->Playing());
  EXPECT_EQ(window->Position(), 6);
  Trigger(window, "Rewind1");
  Trigger(window, "Play1");
  EXPECT_EQ(window->CurFrameNo(), 1);
  EXPECT_TRUE(window->Playing());
  Trigger(window, "Stop1");
  QTest::qWait(120);
  EXPECT_EQ(window->CurFrameNo(), 1);
}

TEST_F(TPlaybackTest, RealTimeSpeedsWaitOutTheRecordedGaps) {
  WriteFile(File("desk.vmc"), Desktop());
  TfrmPlayback* window = Play(File("desk.vmc"));
  ASSERT_TRUE(WaitFor([&] { return !window->Loading(); }));
  Slider(window, "trkSpeed")->setValue(0);  // a quarter of the recorded gaps
  QElapsedTimer clock;
  clock.start();
  Trigger(window, "Play1");
  ASSERT_TRUE(WaitFor([&] { return !window->Playing(); }));
  // 250 ms, then 50 ms at the break instead of a quarter of two seconds, then 250 ms. Only the
  // lower bound is asked: a busy machine may take longer, and the pacing tests pin the rest.
  EXPECT_GE(clock.elapsed(), 540);
  EXPECT_EQ(window->CurFrameNo(), 4);
}

TEST_F(TPlaybackTest, SavesCopiesAndShowsTheChosenWindowsPicture) {
  WriteFile(File("desk.vmc"), Desktop());
  TfrmPlayback* window = Play(File("desk.vmc"));
  // Nothing chosen: nothing happens.
  for (const char* action : {"SaveAs1", "QuickSave1", "ViewFullSize1"}) Trigger(window, action);
  EXPECT_FALSE(std::filesystem::exists(File("CAPTURE/Beta00001.jpg")));
  EXPECT_TRUE(window->findChildren<TfrmViewGraphic*>().isEmpty());

  QTest::mouseClick(window->PictureArea(), Qt::LeftButton, {}, QPoint(120, 40));
  ASSERT_NE(window->Selected(), nullptr);
  // Save As has a key of its own, which Stop (Ctrl+S) does not take.
  EXPECT_EQ(Child<QAction>(*window, "SaveAs1")->shortcut(),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  TDialogs::SetNextFileName(QString::fromStdString(File("beta.jpg")));
  Trigger(window, "SaveAs1");
  EXPECT_EQ(Bytes(File("beta.jpg")), FB1);  // the recorded bytes, not compressed again

  Trigger(window, "QuickSave1");
  Trigger(window, "ForwardOne1");
  Trigger(window, "ForwardOne1");
  Trigger(window, "ForwardOne1");
  Trigger(window, "QuickSave1");
  EXPECT_EQ(Bytes(File("CAPTURE/Beta00001.jpg")), FB1);
  EXPECT_EQ(Bytes(File("CAPTURE/Beta00002.jpg")), FB3);
  EXPECT_EQ(FDesktop->StatusText(), QStringLiteral("Captured to file: ") +
                                        QString::fromStdString(File("CAPTURE")) + "/Beta00002.jpg");

  Trigger(window, "ClipFrame1");
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(48, 36));

  QTest::mouseDClick(window->PictureArea(), Qt::LeftButton, {}, QPoint(120, 40));
  const QList<TfrmViewGraphic*> viewers = window->findChildren<TfrmViewGraphic*>();
  ASSERT_EQ(viewers.size(), 1);
  EXPECT_EQ(viewers[0]->windowTitle(), "Image - Beta #3");
  EXPECT_EQ(viewers[0]->Picture().size(), QSize(48, 36));
  EXPECT_EQ(TDialogs::MessageCount(), 0);
}

TEST_F(TPlaybackTest, AutoArrangePutsWindowsSideBySideAndZoomScalesThem) {
  const std::string wide = Picture(400, 100);
  WriteFile(
      File("wide.vmc"),
      {{0ms, {{1, "Alpha", {500, 400, 902, 522}, wide}, {2, "Beta", {20, 20, 422, 142}, wide}}}});
  TfrmPlayback* window = Play(File("wide.vmc"));
  window->resize(1100, 600);
  const int caption = window->CaptionHeight();
  EXPECT_EQ(window->PictureArea()->minimumSize(), QSize(902, 522));
  Child<QComboBox>(*window, "cbZoom")->setCurrentIndex(4);  // 2.0x
  EXPECT_EQ(window->Zoom(), 2.0);
  EXPECT_EQ(window->PictureArea()->minimumSize(), QSize(1804, 1044));
  Child<QComboBox>(*window, "cbZoom")->setCurrentIndex(2);
  EXPECT_EQ(window->PictureArea()->minimumSize(), QSize(902, 522));

  Trigger(window, "AutoArrange1");
  EXPECT_TRUE(Child<QAction>(*window, "AutoArrange1")->isChecked());
  ASSERT_EQ(window->Windows().size(), 2u);
  EXPECT_EQ(window->Windows()[0]->Rect, (TCaptureRect{0, 0, 402, 102 + caption}));
  EXPECT_EQ(window->Windows()[1]->Rect, (TCaptureRect{402, 0, 804, 102 + caption}));

  // Too narrow for both: the second goes to a new row.
  window->resize(700, 600);
  ASSERT_TRUE(
      WaitFor([&] { return window->Windows().size() == 2 && window->Windows()[1]->Rect.Top > 0; }));
  EXPECT_EQ(window->Windows()[1]->Rect, (TCaptureRect{0, 102 + caption, 402, 204 + 2 * caption}));

  Trigger(window, "AutoArrange1");
  EXPECT_EQ(window->Windows()[0]->Rect, (TCaptureRect{500, 400, 902, 522}));
}

TEST_F(TPlaybackTest, DamagedFilesPlayWhatCanBeReadAndSayWhatIsWrongOnce) {
  const std::string jpeg = Picture(8, 8);
  const std::vector<std::int64_t> frames = WriteFile(File("good.vmc"), OneWindow(5, jpeg));
  const std::string good = Bytes(File("good.vmc"));
  const std::size_t third = std::size_t(frames[2]);
  // The image record of the third frame follows its 20-byte frame record.
  const std::size_t image = third + 20;
  auto patched = [&](std::size_t at, std::string bytes) {
    std::string damaged = good;
    damaged.replace(at, bytes.size(), bytes);
    return damaged;
  };
  struct TRow {
    const char* Name;
    std::string Bytes;
    int Readable;  // the frames that can still be shown
    int Messages;
  } rows[] = {
      {"cut short in the third image", good.substr(0, image + 40), 2, 1},
      {"cut short after a whole frame", good.substr(0, image), 3, 0},
      {"image length past the end", patched(image + 4, std::string("\xff\xff\xff\x7f", 4)), 2, 1},
      // The index goes on past an image that is damaged inside.
      {"negative name length", patched(image + 8 + 24, std::string("\xfe\xff\xff\xff", 4)), 5, 1},
      {"frame length backwards", patched(third + 4, std::string("\xf0\xff\xff\xff", 4)), 2, 1},
      {"picture that is no JPEG", patched(image + 8 + 28 + 4, std::string(40, '\x55')), 5, 0},
      {"nothing after the magic", ".vmc", 0, 0},
      {"empty", "", 0, 0},
      {"noise", std::string(3000, '\x02'), 0, 1},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TDialogs::Reset();
    WriteFileAtomically(File("bad.vmc"), row.Bytes);
    TfrmPlayback* window = Play(File("bad.vmc"));
    ASSERT_TRUE(WaitFor([&] { return !window->Loading(); }));
    Child<QSlider>(*window, "trkSpeed")->setValue(3);
    int shown = window->CurFrameNo();
    for (int i = 0; i < 8; ++i) {
      Trigger(window, "ForwardOne1");
      shown = std::max<int>(shown, window->CurFrameNo());
    }
    Trigger(window, "Rewind1");
    Trigger(window, "Play1");
    ASSERT_TRUE(WaitFor([&] { return !window->Playing(); }));
    EXPECT_EQ(shown, row.Readable);
    EXPECT_EQ(TDialogs::MessageCount(), row.Messages) << TDialogs::LastMessageText().toStdString();
    if (row.Messages > 0) {
      EXPECT_TRUE(TDialogs::LastMessageText().contains("bad.vmc"));
    }
    window->close();
  }

  TDialogs::Reset();
  TfrmPlayback* missing = Play(File("missing.vmc"));
  EXPECT_EQ(TDialogs::MessageCount(), 1);
  EXPECT_FALSE(missing->Loading());
  EXPECT_EQ(missing->windowTitle(), "Playback Multi-Capture File");
  Trigger(missing, "Play1");
  EXPECT_EQ(missing->CurFrameNo(), 0);
}

TEST_F(TPlaybackTest, OpensTheNextOrPriorFileOfTheFolder) {
  QDir().mkpath(QString::fromStdString(File("CAPTURE")));
  for (const char* name : {"CAPTURE/a.vmc", "CAPTURE/B.vmc", "CAPTURE/c.vmc"})
    WriteFile(File(name), OneWindow(1, Picture(8, 8)));
  TfrmPlayback* window = Play(File("CAPTURE/c.vmc"));
  Trigger(window, "OpenNext1");
  EXPECT_EQ(TDialogs::LastMessageText(), "End of List");
  Trigger(window, "OpenPrior1");
  EXPECT_TRUE(window->FileName().endsWith("/B.vmc"));
  EXPECT_EQ(window->CurFrameNo(), 1);
  Trigger(window, "OpenPrior1");
  EXPECT_TRUE(window->FileName().endsWith("/a.vmc"));
  Trigger(window, "OpenPrior1");
  EXPECT_EQ(TDialogs::LastMessageText(), "Start of List");
  EXPECT_EQ(TDialogs::MessageCount(), 2);

  TDialogs::SetNextFileName(QString::fromStdString(File("CAPTURE/c.vmc")));
  Trigger(window, "Open1");
  EXPECT_TRUE(window->FileName().endsWith("/c.vmc"));
}

TEST_F(TPlaybackTest, TheDesktopMenuPlaysAChosenFileInANewWindow) {
  WriteFile(File("one.vmc"), OneWindow(1, Picture(8, 8)));
  QAction* item = Child<QAction>(*FDesktop, "PlayMultiCapture1");
  ASSERT_TRUE(item->isEnabled());
  item->trigger();  // cancelled
  EXPECT_TRUE(FDesktop->findChildren<TfrmPlayback*>().isEmpty());
  TDialogs::SetNextFileName(QString::fromStdString(File("one.vmc")));
  item->trigger();
  TDialogs::SetNextFileName(QString::fromStdString(File("one.vmc")));
  item->trigger();
  const QList<TfrmPlayback*> windows = FDesktop->findChildren<TfrmPlayback*>();
  ASSERT_EQ(windows.size(), 2);
  EXPECT_EQ(windows[1]->CurFrameNo(), 1);
  EXPECT_EQ(windows[1]->FileName(), QString::fromStdString(File("one.vmc")));
}

}  // namespace
}  // namespace vexilon
