#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>
#include <filesystem>

#include "UiTestSupport.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/capture/MultiCaptureWriter.h"
#include "support/GreyJpeg.h"
#include "ui/app/MainWindow.h"
#include "ui/app/ViewGraphic.h"
#include "ui/playback/PlaybackView.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;

const auto kStart = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000));

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
std::vector<TRecordedFrame> OneWindow(int count, const std::string& jpeg = GreyJpeg(8, 8)) {
  std::vector<TRecordedFrame> frames;
  for (int i = 0; i < count; ++i)
    frames.push_back({i * 1000ms, {{1, "Gate", {0, 0, 10, 30}, jpeg}}});
  return frames;
}

// The frames of a file: time in seconds after the start, and whether the first image follows
// a break.
std::vector<std::pair<int, bool>> FramesOf(const std::string& path) {
  TMultiCaptureReader reader;
  reader.Open(path);
  while (!reader.IndexStep(100)) {
  }
  std::vector<std::pair<int, bool>> frames;
  for (std::size_t i = 0; i < reader.FrameIndex().size(); ++i) {
    const TCaptureFrame frame = reader.ReadFrame(i);
    frames.emplace_back(
        int(std::chrono::duration_cast<std::chrono::seconds>(frame.Time - kStart).count()),
        !frame.Images.empty() && frame.Images[0].Break());
  }
  return frames;
}
using TFrames = std::vector<std::pair<int, bool>>;

class TPlaybackTest : public TUiTest {
 protected:
  void SetUp() override {
    TUiTest::SetUp();
    FDesktop = std::make_unique<TfrmVexilon>();
  }

  TfrmPlayback* Play(const std::string& path) {
    return FDesktop->PlayFile(QString::fromStdString(path));
  }
  // Plays path once its whole index is read.
  TfrmPlayback* PlayIndexed(const std::string& path) {
    TfrmPlayback* window = Play(path);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Loading(); }));
    return window;
  }
  static void Trigger(TfrmPlayback* window, const char* action, int times = 1) {
    for (int i = 0; i < times; ++i) Child<QAction>(*window, action)->trigger();
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
  const std::string FB1 = GreyJpeg(48, 36, 200), FB3 = GreyJpeg(48, 36, 220);
  const TCaptureRect FAlphaRect{10, 10, 52, 62}, FBetaRect{100, 20, 150, 78};
  std::vector<TRecordedFrame> Desktop() const {
    return {
        {0ms, {{1, "Alpha", FAlphaRect, GreyJpeg(40, 30, 10)}, {2, "Beta", FBetaRect, FB1}}},
        {1000ms, {{1, "Alpha", FAlphaRect, GreyJpeg(40, 30, 60)}}},
        {61000ms, {{2, "Beta", FBetaRect, FB3, kImageBreak}}},
        {62000ms, {{1, "Alpha", FAlphaRect, GreyJpeg(40, 30, 90)}, {2, "Beta", FBetaRect, FB3}}}};
  }

  std::unique_ptr<TfrmVexilon> FDesktop;
};

TEST_F(TPlaybackTest, ShowsTheFirstFrameAtOnceAndIndexesTheRestOnTheTimer) {
  WriteFile(File("long.vmc"), OneWindow(300), 20);
  TfrmPlayback* window = Play(File("long.vmc"));
  EXPECT_EQ(window->windowTitle(), "Playback Multi-Capture File  - long.vmc");
  EXPECT_TRUE(window->Loading());
  EXPECT_LT(window->IndexedFrames(), 300);
  EXPECT_EQ(window->CurFrameNo(), 1);
  EXPECT_TRUE(window->TimeStampText().endsWith(" Frame 1"));
  auto* progress = Child<QProgressBar>(*window, "ProgressBar1");
  EXPECT_TRUE(progress->isVisibleTo(window));
  // The recording's own caption height, with which its rectangles were made.
  EXPECT_EQ(window->CaptionHeight(), 20);
  ASSERT_EQ(window->Windows().size(), 1u);
  EXPECT_EQ(window->Windows()[0]->Name, "Gate");
  EXPECT_EQ(window->Windows()[0]->Picture.size(), QSize(8, 8));

  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Loading(); }));
  EXPECT_EQ(Slider(window, "TrackBar1")->maximum(), 300);
  EXPECT_FALSE(progress->isVisibleTo(window));
  EXPECT_EQ(TDialogs::MessageCount(), 0);
}

TEST_F(TPlaybackTest, StepsForwardAndBackThroughADesktopRecording) {
  WriteFile(File("desk.vmc"), Desktop());
  TfrmPlayback* window = PlayIndexed(File("desk.vmc"));
  ASSERT_EQ(window->Windows().size(), 2u);
  auto* list = Child<QComboBox>(*window, "cbWindow");
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(1), "Beta");
  const TTempImage& alpha = *window->Windows()[0];
  const TTempImage& beta = *window->Windows()[1];
  // The picture area reaches the furthest window.
  EXPECT_EQ(window->PictureArea()->minimumSize(), QSize(150, 78));

  // Position p means p frames shown; after opening the first is on display at position 0.
  struct TStep {
    const char* Action;
    int Position, Frame, AlphaFrame, BetaFrame;
  } steps[] = {{"ForwardOne1", 1, 1, 1, 1}, {"ForwardOne1", 2, 2, 2, 1},
               {"ForwardOne1", 3, 3, 2, 3}, {"ForwardOne1", 4, 4, 4, 4},
               {"ForwardOne1", 4, 4, 4, 4}, {"BackOne1", 3, 3, 4, 3},
               {"BackOne1", 2, 2, 2, 3},    {"BackOne1", 1, 1, 1, 1},
               {"BackOne1", 0, 1, 1, 1},    {"BackOne1", 0, 1, 1, 1}};
  for (const TStep& step : steps) {
    SCOPED_TRACE(std::string(step.Action) + " to " + std::to_string(step.Position));
    Trigger(window, step.Action);
    EXPECT_EQ(window->Position(), step.Position);
    EXPECT_EQ(window->CurFrameNo(), step.Frame);
    EXPECT_EQ(alpha.FrameNo, step.AlphaFrame);
    EXPECT_EQ(beta.FrameNo, step.BetaFrame);
  }
  EXPECT_EQ(beta.Jpeg, FB1);

  // A click picks the window under it; nothing under it picks none.
  const std::pair<QPoint, const TTempImage*> clicks[] = {
      {{120, 40}, &beta}, {{30, 30}, &alpha}, {{80, 5}, nullptr}};
  for (const auto& [at, picked] : clicks) {
    QTest::mouseClick(window->PictureArea(), Qt::LeftButton, {}, at);
    EXPECT_EQ(window->Selected(), picked);
  }
  EXPECT_EQ(TDialogs::MessageCount(), 0);
}

TEST_F(TPlaybackTest, PlaysToTheEndPacedBySpeedAndOnlyAgainAfterRewind) {
  // Only lower bounds: a busy machine may take longer, and the core pacing tests pin the rest.
  WriteFile(File("six.vmc"), OneWindow(6));
  WriteFile(File("desk.vmc"), Desktop());
  const struct {
    const char* File;
    int Speed, AtLeast, Frames;
  } rows[] = {// 50 ms a frame, the first at once.
              {"six.vmc", 3, 5 * 50, 6},
              // A quarter of the recorded gaps: 250 ms, 50 ms at the break, 250 ms.
              {"desk.vmc", 0, 540, 4}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.File);
    TfrmPlayback* window = PlayIndexed(File(row.File));
    Slider(window, "trkSpeed")->setValue(row.Speed);
    QElapsedTimer clock;
    clock.start();
    Trigger(window, "Play1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Playing(); }));
    EXPECT_GE(clock.elapsed(), row.AtLeast);
    EXPECT_EQ(window->Position(), row.Frames);
    EXPECT_EQ(window->CurFrameNo(), row.Frames);
    Trigger(window, "Play1");
    EXPECT_FALSE(window->Playing());
    Trigger(window, "Rewind1");
    Trigger(window, "Play1");
    EXPECT_EQ(window->CurFrameNo(), 1);
    EXPECT_TRUE(window->Playing());
    Trigger(window, "Stop1");
  }
  QTest::qWait(120);
  for (TfrmPlayback* window : FDesktop->findChildren<TfrmPlayback*>())
    EXPECT_EQ(window->CurFrameNo(), 1);
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
  TDialogs::SetNextFileName(QString::fromStdString(File("beta.jpg")));
  Trigger(window, "SaveAs1");
  EXPECT_EQ(Bytes(File("beta.jpg")), FB1);  // the recorded bytes, not compressed again

  Trigger(window, "QuickSave1");
  Trigger(window, "ForwardOne1", 3);
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
  const std::string wide = GreyJpeg(400, 100);
  WriteFile(
      File("wide.vmc"),
      {{0ms, {{1, "Alpha", {500, 400, 902, 522}, wide}, {2, "Beta", {20, 20, 422, 142}, wide}}}});
  TfrmPlayback* window = Play(File("wide.vmc"));
  window->resize(1100, 600);
  const int caption = window->CaptionHeight();
  EXPECT_EQ(window->PictureArea()->minimumSize(), QSize(902, 522));
  auto* zoom = Child<QComboBox>(*window, "cbZoom");
  zoom->setCurrentIndex(4);  // 2.0x
  EXPECT_EQ(window->Zoom(), 2.0);
  EXPECT_EQ(window->PictureArea()->minimumSize(), QSize(1804, 1044));
  zoom->setCurrentIndex(2);

  Trigger(window, "AutoArrange1");
  EXPECT_TRUE(Child<QAction>(*window, "AutoArrange1")->isChecked());
  ASSERT_EQ(window->Windows().size(), 2u);
  EXPECT_EQ(window->Windows()[0]->Rect, (TCaptureRect{0, 0, 402, 102 + caption}));
  EXPECT_EQ(window->Windows()[1]->Rect, (TCaptureRect{402, 0, 804, 102 + caption}));

  // Too narrow for both: the second goes to a new row.
  window->resize(700, 600);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window->Windows().size() == 2 && window->Windows()[1]->Rect.Top > 0; }));
  EXPECT_EQ(window->Windows()[1]->Rect, (TCaptureRect{0, 102 + caption, 402, 204 + 2 * caption}));

  Trigger(window, "AutoArrange1");
  EXPECT_EQ(window->Windows()[0]->Rect, (TCaptureRect{500, 400, 902, 522}));
}

TEST_F(TPlaybackTest, DamagedFilesPlayWhatCanBeReadAndSayWhatIsWrongOnce) {
  const std::vector<std::int64_t> frames = WriteFile(File("good.vmc"), OneWindow(5));
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
      // The index goes on past an image that is damaged inside.
      {"negative name length", patched(image + 8 + 24, std::string("\xfe\xff\xff\xff", 4)), 5, 1},
      {"picture that is no JPEG", patched(image + 8 + 28 + 4, std::string(40, '\x55')), 5, 0},
      {"empty", "", 0, 0},
      {"noise", std::string(3000, '\x02'), 0, 1},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TDialogs::Reset();
    WriteFileAtomically(File("bad.vmc"), row.Bytes);
    TfrmPlayback* window = PlayIndexed(File("bad.vmc"));
    Slider(window, "trkSpeed")->setValue(3);
    int shown = window->CurFrameNo();
    for (int i = 0; i < 8; ++i) {
      Trigger(window, "ForwardOne1");
      shown = std::max<int>(shown, window->CurFrameNo());
    }
    Trigger(window, "Rewind1");
    Trigger(window, "Play1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Playing(); }));
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
  std::filesystem::create_directory(File("CAPTURE"));
  for (const char* name : {"CAPTURE/a.vmc", "CAPTURE/B.vmc", "CAPTURE/c.vmc"})
    WriteFile(File(name), OneWindow(1));
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
  WriteFile(File("one.vmc"), OneWindow(1));
  QAction* item = Child<QAction>(*FDesktop, "PlayMultiCapture1");
  item->trigger();  // cancelled
  EXPECT_TRUE(FDesktop->findChildren<TfrmPlayback*>().isEmpty());
  for (int i = 0; i < 2; ++i) {
    TDialogs::SetNextFileName(QString::fromStdString(File("one.vmc")));
    item->trigger();
  }
  const QList<TfrmPlayback*> windows = FDesktop->findChildren<TfrmPlayback*>();
  ASSERT_EQ(windows.size(), 2);
  EXPECT_EQ(windows[1]->CurFrameNo(), 1);
  EXPECT_EQ(windows[1]->FileName(), QString::fromStdString(File("one.vmc")));
}

// Cutting and extracting, on files whose frames are a second apart.
class TPlaybackEditingTest : public TPlaybackTest {
 protected:
  static void Cut(TfrmPlayback* window) { Child<QToolButton>(*window, "btnCut")->click(); }
  // Answers the Clipped Frames dialog with the button named, remembering the range it showed.
  void AnswerClipped(const char* button) {
    TDialogs::SetNextDialogHandler([this, button](QDialog& dialog) {
      FShownRange = Child<QLabel>(dialog, "lblFrameRange")->text();
      EXPECT_EQ(dialog.windowTitle(), "Clipped Frames");
      Child<QPushButton>(dialog, button)->click();
      return dialog.result();
    });
  }
  // Marks the frames first to last (frame numbers on display) with two presses of Cut.
  void Mark(TfrmPlayback* window, int first, int last, const char* button) {
    Trigger(window, "Rewind1");
    Trigger(window, "ForwardOne1", first);
    TDialogs::SetNextAnswer(QMessageBox::Ok);
    Cut(window);
    ASSERT_EQ(window->CutStart(), first);
    Trigger(window, "Rewind1");
    Trigger(window, "ForwardOne1", last);
    AnswerClipped(button);
    Cut(window);
    EXPECT_EQ(window->CutStart(), 0);
  }

  QString FShownRange;
};

TEST_F(TPlaybackEditingTest, CutMarksARangeAndDeletesItFromTheFile) {
  WriteFile(File("gate.vmc"), OneWindow(8), 20);
  TfrmPlayback* window = PlayIndexed(File("gate.vmc"));

  // Nothing on display after Rewind: nothing to mark.
  Trigger(window, "Rewind1");
  Cut(window);
  EXPECT_EQ(TDialogs::LastMessageText(),
            "You must have the first frame to cut displayed on the screen.");
  Trigger(window, "ForwardOne1");
  TDialogs::SetNextAnswer(QMessageBox::Cancel);
  Cut(window);
  EXPECT_EQ(TDialogs::LastMessageText(), "Select point to delete up to and then select cut again.");
  EXPECT_EQ(window->CutStart(), 0);

  Mark(window, 3, 5, "btnDelete");
  EXPECT_EQ(FShownRange, "Frames 3 to 5");
  EXPECT_EQ(FramesOf(File("gate.vmc")),
            (TFrames{{0, false}, {1, false}, {5, true}, {6, false}, {7, false}}));
  // The window shows on from the cut: the next step shows the frame that followed it.
  EXPECT_EQ(window->IndexedFrames(), 5);
  EXPECT_EQ(window->Position(), 3);
  EXPECT_EQ(window->CurFrameNo(), 0);
  Trigger(window, "ForwardOne1");
  EXPECT_TRUE(window->TimeStampText().endsWith(" Frame 4"));
  Trigger(window, "BackOne1");
  EXPECT_TRUE(window->TimeStampText().endsWith(" Frame 3"));

  // A second cut works on the file as it is now, up to its end.
  Mark(window, 4, 5, "btnDelete");
  EXPECT_EQ(FramesOf(File("gate.vmc")), (TFrames{{0, false}, {1, false}, {5, true}}));
  EXPECT_EQ(window->IndexedFrames(), 3);
  EXPECT_TRUE(Child<QAction>(*window, "Open1")->isEnabled());
}

TEST_F(TPlaybackEditingTest, RefusedCutsLeaveTheFileAlone) {
  WriteFile(File("gate.vmc"), OneWindow(6), 20);
  std::string original = Bytes(File("gate.vmc"));
  TfrmPlayback* window = PlayIndexed(File("gate.vmc"));

  Mark(window, 4, 2, "btnDelete");
  EXPECT_EQ(TDialogs::LastMessageText(), "Must select an end frame after the first frame");
  EXPECT_EQ(Bytes(File("gate.vmc")), original);

  const int before = TDialogs::MessageCount();
  Mark(window, 2, 3, "btnCancel");
  EXPECT_EQ(TDialogs::MessageCount(), before + 1);  // the mark's question only
  EXPECT_EQ(Bytes(File("gate.vmc")), original);

  // The file grew after it was opened: the index no longer fits it.
  original += "more";
  WriteFileAtomically(File("gate.vmc"), original);
  Mark(window, 2, 3, "btnDelete");
  EXPECT_TRUE(TDialogs::LastMessageText().contains("has changed since it was opened"))
      << TDialogs::LastMessageText().toStdString();
  EXPECT_EQ(Bytes(File("gate.vmc")), original);
  EXPECT_EQ(window->IndexedFrames(), 6);

  // Still indexing: the cut waits for the whole index.
  WriteFile(File("long.vmc"), OneWindow(400), 20);
  TfrmPlayback* loading = Play(File("long.vmc"));
  ASSERT_TRUE(loading->Loading());
  TDialogs::SetNextAnswer(QMessageBox::Ok);
  Cut(loading);
  AnswerClipped("btnDelete");
  Cut(loading);
  EXPECT_EQ(TDialogs::LastMessageText(), "You must wait for the file to finish loading first.");
  EXPECT_EQ(FramesOf(File("long.vmc")).size(), 400u);
}

TEST_F(TPlaybackEditingTest, ExtractsARangeOrAWindowAndExplodesAWindow) {
  // Alpha on the left, Beta to its right, each shot a shade of its own.
  auto alpha = [](std::uint8_t shade) -> TShot {
    return {1, "Alpha", {0, 0, 18, 30}, GreyJpeg(16, 8, shade)};
  };
  auto beta = [](std::uint8_t shade) -> TShot {
    return {2, "Beta", {100, 0, 118, 30}, GreyJpeg(16, 8, shade)};
  };
  WriteFile(
      File("desk.vmc"),
      {{0s, {alpha(1), beta(2)}}, {1s, {alpha(3)}}, {2s, {beta(4)}}, {3s, {alpha(5), beta(6)}}},
      20);
  TfrmPlayback* window = PlayIndexed(File("desk.vmc"));

  // A range through the Cut dialog: every image becomes a frame of its own.
  TDialogs::SetNextFileName(QString::fromStdString(File("range.vmc")));
  Mark(window, 2, 3, "btnExtract");
  EXPECT_EQ(FramesOf(File("range.vmc")), (TFrames{{1, false}, {2, false}}));
  // Cancelling the file dialog writes nothing.
  Mark(window, 1, 4, "btnExtract");
  EXPECT_FALSE(std::filesystem::exists(File("CAPTURE/Extract00001.vmc")));

  // The window under a click, from the context menu.
  QTest::mouseClick(window->PictureArea(), Qt::LeftButton, {}, QPoint(105, 25));
  ASSERT_NE(window->Selected(), nullptr);
  EXPECT_EQ(window->Selected()->Name, "Beta");
  TDialogs::SetNextFileName(QString::fromStdString(File("beta.vmc")));
  Trigger(window, "Extract1");
  EXPECT_EQ(FramesOf(File("beta.vmc")), (TFrames{{0, false}, {2, false}, {3, false}}));
  EXPECT_TRUE(FDesktop->StatusText().startsWith("Extracted 3 frames to file: "));

  TDialogs::SetNextFileName(QString::fromStdString(File("Beta.jpg")));
  Trigger(window, "Explode1");
  EXPECT_TRUE(std::filesystem::exists(File("Beta00003.jpg")));
  EXPECT_FALSE(std::filesystem::exists(File("Beta00004.jpg")));

  // File > Export Video takes the chosen window too.
  TDialogs::SetNextFileName(QString::fromStdString(File("beta.mkv")));
  Trigger(window, "ExportVideo1");
  EXPECT_EQ(FDesktop->StatusText(),
            "Exported 3 frames to file: " + QString::fromStdString(File("beta.mkv")));

  // A failure is said, and the window goes on.
  const int before = TDialogs::MessageCount();
  TDialogs::SetNextFileName(QString::fromStdString(File("missing/beta.vmc")));
  Trigger(window, "Extract1");
  EXPECT_EQ(TDialogs::MessageCount(), before + 1);
  EXPECT_TRUE(TDialogs::LastMessageText().contains("missing/beta.vmc"));
  EXPECT_FALSE(window->Editing());
  EXPECT_TRUE(Child<QAction>(*window, "Extract1")->isEnabled());
}

}  // namespace
}  // namespace vexilon
