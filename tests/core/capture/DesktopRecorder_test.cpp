#include "core/capture/DesktopRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/capture/VmcFiles.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;

// Three camera windows of a desktop whose pictures the test changes by hand.
struct TFakeDesktop {
  struct TWindow {
    TDesktopCaptureMark Mark;
    std::string Jpeg;
    int Width = 160, Height = 120;
    bool Paused = false;
  };
  std::vector<TWindow> Windows = std::vector<TWindow>(3);

  // A new picture arrives in window i, as a camera window's frame handling reports it.
  void Show(std::size_t i, std::string jpeg) {
    Windows[i].Jpeg = std::move(jpeg);
    Windows[i].Mark.Captured = false;
  }
  std::vector<TDesktopSource> Sources() {
    std::vector<TDesktopSource> sources;
    for (std::size_t i = 0; i < Windows.size(); ++i) {
      TWindow& w = Windows[i];
      const int id = int(i) + 1;
      sources.push_back({&w.Mark, w.Paused, w.Width, w.Height, &w.Jpeg,
                         TCaptureRect{id * 10, id * 20, id * 10 + 170, id * 20 + 150}, id,
                         "Camera " + std::to_string(id)});
    }
    return sources;
  }
};

class TDesktopRecorderTest : public ::testing::Test {
 protected:
  TDesktopRecorderTest() {
    TDesktopRecorder::THost host;
    host.CaptureFolder = FFolder.File("CAPTURE");
    host.Now = [this] { return FNow; };
    host.StatusText = [this](const std::string& text) { FStatus = text; };
    FRecorder = std::make_unique<TDesktopRecorder>(std::move(host));
  }
  void Start(const TMultiCaptureSettings& settings) {
    FRecorder->Start(settings, [this] { return FDesktop.Sources(); });
  }
  void Tick(std::chrono::milliseconds later) {
    FNow += later;
    FRecorder->Tick([this] { return FDesktop.Sources(); });
  }
  // Every window shows a picture it has not shown before.
  void ChangeAll() {
    for (std::size_t i = 0; i < FDesktop.Windows.size(); ++i)
      FDesktop.Show(i, "jpeg " + std::to_string(i) + " #" + std::to_string(++FPictures));
  }
  // A desktop recording has no caption-height record.
  std::vector<TCaptureFrame> Frames(const std::string& name) {
    const TReadBack file = ReadBack(FFolder.File("CAPTURE/" + name));
    EXPECT_FALSE(file.Damaged) << name;
    EXPECT_FALSE(file.CaptionHeight.has_value());
    return file.Frames;
  }

  TTempDir FFolder;
  TFakeDesktop FDesktop;
  TDesktopRecorder::TClock::time_point FNow = TDesktopRecorder::TClock::now();
  std::string FStatus;
  std::unique_ptr<TDesktopRecorder> FRecorder;
  int FPictures = 0;
};

TEST_F(TDesktopRecorderTest, EachStepWritesOneFrameAndTheWindowsWhosePictureChanged) {
  ChangeAll();
  Start({250});
  EXPECT_EQ(FStatus, "Desktop Capture: 1 frame(s) and 3 image(s) into Desktop00001.vmc");

  Tick(100ms);  // the first tick steps at once and finds nothing new
  ChangeAll();
  Tick(100ms);  // within the delay
  Tick(200ms);
  EXPECT_EQ(FRecorder->FrameCount(), 2);
  // Window 1 sends the same picture again, window 2 pauses, window 3 loses its picture: only a
  // picture that changed is written, and a step without one writes nothing.
  FDesktop.Show(0, FDesktop.Windows[0].Jpeg);
  FDesktop.Show(1, "new");
  FDesktop.Windows[1].Paused = true;
  FDesktop.Show(2, "");
  FDesktop.Windows[2].Width = 1;
  Tick(300ms);
  EXPECT_EQ(FRecorder->FrameCount(), 2);
  FDesktop.Windows[1].Paused = false;
  FDesktop.Windows[2].Width = 160;  // a picture that is no JPEG picture: written without bytes
  Tick(300ms);
  Tick(300ms);  // nothing new since
  EXPECT_EQ(FStatus, "Desktop Capture: 3 frame(s) and 8 image(s) into Desktop00001.vmc");
  FRecorder->Stop();
  EXPECT_FALSE(FRecorder->Active());

  const std::vector<TCaptureFrame> frames = Frames("Desktop00001.vmc");
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0].Images.size(), 3u);
  EXPECT_EQ(frames[0].Images[1],
            (TCaptureImage{0, {20, 40, 190, 190}, 2, "Camera 2", "jpeg 1 #2"}));
  ASSERT_EQ(frames[2].Images.size(), 2u);
  EXPECT_EQ(frames[2].Images[0].Jpeg, "new");
  EXPECT_EQ(frames[2].Images[1].WindowNumber, 3);
  EXPECT_EQ(frames[2].Images[1].Jpeg, "");
  EXPECT_EQ(frames[2].FrameNumber, 3);
}

TEST_F(TDesktopRecorderTest, ClipLimitsStartNewFilesUntilTheFileLimitEndsTheRecording) {
  struct TRow {
    const char* Case;
    int ClipMode, Count, FileLimit;
    std::size_t PictureBytes;
    std::chrono::milliseconds Step;
    std::vector<std::size_t> FramesPerFile;
  } rows[] = {
      {"10 frames a file, 2 files", TMultiCaptureSettings::Frames, 10, 2, 0, 1s, {10, 10}},
      {"1 MB a file, 2 files", TMultiCaptureSettings::Megabytes, 1, 2, 200'000, 1s, {2, 2}},
      {"2 minutes a file, 1 file", TMultiCaptureSettings::Minutes, 2, 1, 0, 50s, {4}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Case);
    std::filesystem::remove_all(FFolder.File("CAPTURE"));
    const TMultiCaptureSettings settings{1000,         row.Count, TMultiCaptureSettings::VmcFile,
                                         row.ClipMode, 1,         row.FileLimit};
    const auto change = [&] {
      ChangeAll();
      for (auto& window : FDesktop.Windows) window.Jpeg += std::string(row.PictureBytes, 'x');
    };
    change();
    Start(settings);
    for (int step = 0; step < 100 && FRecorder->Active(); ++step) {
      change();
      Tick(row.Step);
    }
    EXPECT_FALSE(FRecorder->Active());
    for (std::size_t file = 0; file < row.FramesPerFile.size(); ++file) {
      EXPECT_EQ(Frames("Desktop0000" + std::to_string(file + 1) + ".vmc").size(),
                row.FramesPerFile[file]);
    }
    EXPECT_FALSE(std::filesystem::exists(FFolder.File("CAPTURE/Desktop0000") +
                                         std::to_string(row.FramesPerFile.size() + 1) + ".vmc"));
  }
}

TEST_F(TDesktopRecorderTest, FileNamesFillGapsAndAFileThatCannotBeMadeStartsNothing) {
  const std::string folder = FFolder.File("CAPTURE");
  std::filesystem::create_directories(folder);
  WriteFileAtomically(folder + "/Desktop00002.vmc", "kept");
  EXPECT_EQ(FreeDesktopFileName(folder), folder + "/Desktop00001.vmc");
  WriteFileAtomically(folder + "/Desktop00001.vmc", "kept");
  EXPECT_EQ(FreeDesktopFileName(folder), folder + "/Desktop00003.vmc");

  // The capture folder's place is taken by a file: no folder, no recording.
  TDesktopRecorder::THost host;
  host.CaptureFolder = folder + "/Desktop00001.vmc";
  TDesktopRecorder blocked(std::move(host));
  EXPECT_THROW(blocked.Start(TMultiCaptureSettings(), [] { return std::vector<TDesktopSource>(); }),
               EFileWrite);
  EXPECT_FALSE(blocked.Active());
}

}  // namespace
}  // namespace vexilon
