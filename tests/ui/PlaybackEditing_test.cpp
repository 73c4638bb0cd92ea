#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "UiTestSupport.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/capture/MultiCaptureWriter.h"
#include "core/imaging/Jpeg.h"
#include "support/GreyJpeg.h"
#include "ui/app/MainWindow.h"
#include "ui/playback/ClippedFrames.h"
#include "ui/playback/PlaybackView.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {
namespace {

const auto kStart = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000));

std::string Picture(int width, int height, std::uint8_t shade) {
  return GreyJpeg(width, height, shade);
}

// Frame i (0-based) is taken i seconds after the start; each shot is (window, name, shade).
struct TShot {
  std::int32_t Window;
  const char* Name;
  std::uint8_t Shade;
};

void WriteFile(const std::string& path, const std::vector<std::vector<TShot>>& frames) {
  TMultiCaptureWriter writer;
  writer.Create(path, 20);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    writer.AppendFrame(kStart + std::chrono::seconds(i));
    for (const TShot& shot : frames[i]) {
      const TCaptureRect rect =
          shot.Window == 1 ? TCaptureRect{0, 0, 18, 30} : TCaptureRect{100, 0, 118, 30};
      writer.AppendImage(0, rect, shot.Window, shot.Name, Picture(16, 8, shot.Shade));
    }
  }
  writer.Close();
}

std::vector<std::vector<TShot>> OneWindow(int count) {
  std::vector<std::vector<TShot>> frames;
  for (int i = 0; i < count; ++i) frames.push_back({{1, "Gate", std::uint8_t(10 * i)}});
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
    EXPECT_EQ(frame.FrameNumber, std::int32_t(i + 1));
    frames.emplace_back(
        int(std::chrono::duration_cast<std::chrono::seconds>(frame.Time - kStart).count()),
        !frame.Images.empty() && frame.Images[0].Break());
  }
  return frames;
}

class TPlaybackEditingTest : public TUiTest {
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
    TfrmPlayback* window = FDesktop->PlayFile(QString::fromStdString(path));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->Loading(); }, 5000));
    return window;
  }
  static void Trigger(TfrmPlayback* window, const char* action) {
    Child<QAction>(*window, action)->trigger();
  }
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
    for (int i = 0; i < first; ++i) Trigger(window, "ForwardOne1");
    TDialogs::SetNextAnswer(QMessageBox::Ok);
    Cut(window);
    ASSERT_EQ(window->CutStart(), first);
    Trigger(window, "Rewind1");
    for (int i = 0; i < last; ++i) Trigger(window, "ForwardOne1");
    AnswerClipped(button);
    Cut(window);
    EXPECT_EQ(window->CutStart(), 0);
  }

  std::unique_ptr<TfrmVexilon> FDesktop;
  QString FShownRange;
};

TEST_F(TPlaybackEditingTest, CutMarksARangeAndDeletesItFromTheFile) {
  WriteFile(File("gate.vmc"), OneWindow(8));
  TfrmPlayback* window = Play(File("gate.vmc"));

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
            (std::vector<std::pair<int, bool>>{
                {0, false}, {1, false}, {5, true}, {6, false}, {7, false}}));
  // The window shows on from the cut: the next step shows the frame that followed it.
  EXPECT_EQ(window->IndexedFrames(), 5);
  EXPECT_EQ(window->Position(), 3);
  EXPECT_EQ(window->CurFrameNo(), 0);
  Trigger(window, "ForwardOne1");
  EXPECT_TRUE(window->TimeStampText().endsWith(" Frame 4"));
  Trigger(window, "BackOne1");
  EXPECT_TRUE(window->TimeStampText().endsWith(" Frame 3"));
  EXPECT_EQ(window->Windows().at(0)->FrameNo, 3);

  // A second cut works on the file as it is now, up to its end.
  Mark(window, 4, 5, "btnDelete");
  EXPECT_EQ(FramesOf(File("gate.vmc")),
            (std::vector<std::pair<int, bool>>{{0, false}, {1, false}, {5, true}}));
  EXPECT_EQ(window->IndexedFrames(), 3);
  EXPECT_FALSE(Child<QProgressBar>(*window, "ProgressBar1")->isVisibleTo(window));
  EXPECT_TRUE(Child<QAction>(*window, "Open1")->isEnabled());
  EXPECT_FALSE(window->Editing());
}

TEST_F(TPlaybackEditingTest, RefusedCutsLeaveTheFileAlone) {
  WriteFile(File("gate.vmc"), OneWindow(6));
  std::string original;
  ReadWholeFile(File("gate.vmc"), original);
  auto unchanged = [&] {
    std::string now;
    ReadWholeFile(File("gate.vmc"), now);
    return now == original;
  };
  TfrmPlayback* window = Play(File("gate.vmc"));

  Mark(window, 4, 2, "btnDelete");
  EXPECT_EQ(TDialogs::LastMessageText(), "Must select an end frame after the first frame");
  EXPECT_TRUE(unchanged());

  const int before = TDialogs::MessageCount();
  Mark(window, 2, 3, "btnCancel");
  EXPECT_EQ(TDialogs::MessageCount(), before + 1);  // the mark's question only
  EXPECT_TRUE(unchanged());

  // The file grew after it was opened: the index no longer fits it.
  {
    std::FILE* file = std::fopen(File("gate.vmc").c_str(), "ab");
    std::fputs("more", file);
    std::fclose(file);
  }
  ReadWholeFile(File("gate.vmc"), original);
  Mark(window, 2, 3, "btnDelete");
  EXPECT_TRUE(TDialogs::LastMessageText().contains("has changed since it was opened"))
      << TDialogs::LastMessageText().toStdString();
  EXPECT_TRUE(unchanged());
  EXPECT_EQ(window->IndexedFrames(), 6);

  // Still indexing: the cut waits for the whole index.
  WriteFile(File("long.vmc"), OneWindow(400));
  TfrmPlayback* loading = FDesktop->PlayFile(QString::fromStdString(File("long.vmc")));
  ASSERT_TRUE(loading->Loading());
  TDialogs::SetNextAnswer(QMessageBox::Ok);
  Cut(loading);
  AnswerClipped("btnDelete");
  Cut(loading);
  EXPECT_EQ(TDialogs::LastMessageText(), "You must wait for the file to finish loading first.");
  EXPECT_EQ(FramesOf(File("long.vmc")).size(), 400u);
}

TEST_F(TPlaybackEditingTest, ExtractsARangeOrAWindowAndExplodesAWindow) {
  WriteFile(File("desk.vmc"), {{{1, "Alpha", 1}, {2, "Beta", 2}},
                               {{1, "Alpha", 3}},
                               {{2, "Beta", 4}},
                               {{1, "Alpha", 5}, {2, "Beta", 6}}});
  TfrmPlayback* window = Play(File("desk.vmc"));

  // A range through the Cut dialog: every image becomes a frame of its own.
  TDialogs::SetNextFileName(QString::fromStdString(File("range.vmc")));
  Mark(window, 2, 3, "btnExtract");
  EXPECT_EQ(FramesOf(File("range.vmc")),
            (std::vector<std::pair<int, bool>>{{1, false}, {2, false}}));
  // Cancelling the file dialog writes nothing.
  Mark(window, 1, 4, "btnExtract");
  EXPECT_FALSE(std::filesystem::exists(File("CAPTURE/Extract00001.vmc")));

  // The window under a click, from the context menu.
  QTest::mouseClick(window->PictureArea(), Qt::LeftButton, {}, QPoint(105, 25));
  ASSERT_NE(window->Selected(), nullptr);
  EXPECT_EQ(window->Selected()->Name, "Beta");
  TDialogs::SetNextFileName(QString::fromStdString(File("beta.vmc")));
  Trigger(window, "Extract1");
  EXPECT_EQ(FramesOf(File("beta.vmc")),
            (std::vector<std::pair<int, bool>>{{0, false}, {2, false}, {3, false}}));
  EXPECT_TRUE(FDesktop->StatusText().startsWith("Extracted 3 frames to file: "));

  std::filesystem::create_directory(File("out"));
  WriteFileAtomically(File("out/Beta00001.jpg"), "kept");
  TDialogs::SetNextFileName(QString::fromStdString(File("out/Beta.jpg")));
  Trigger(window, "Explode1");
  for (const char* name : {"out/Beta00002.jpg", "out/Beta00003.jpg", "out/Beta00004.jpg"})
    EXPECT_TRUE(std::filesystem::exists(File(name))) << name;
  EXPECT_FALSE(std::filesystem::exists(File("out/Beta00005.jpg")));
  std::string kept;
  ReadWholeFile(File("out/Beta00001.jpg"), kept);
  EXPECT_EQ(kept, "kept");

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
