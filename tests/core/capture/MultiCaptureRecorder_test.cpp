#include "core/capture/MultiCaptureRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/capture/VmcFiles.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using TClock = TMultiCaptureRecorder::TClock;

// A recorder of the camera "Gate" on a clock the test moves by hand.
class MultiCaptureRecorder : public ::testing::Test {
 protected:
  MultiCaptureRecorder() {
    TMultiCaptureRecorder::THost host;
    host.CaptureFolder = FFolder.Path();
    host.BaseName = "Gate";
    host.WindowId = 3;
    host.CaptionHeight = 20;
    host.Now = [this] { return FNow; };
    host.SaveSingleCapture = [this] {
      if (FSaveFails) throw EFileWrite("disk full");
      ++FSingleCaptures;
    };
    host.StatusText = [this](const std::string& text) { FStatus = text; };
    host.FileClosed = [this](const std::string& path) { FClosed.push_back(path); };
    FRecorder = std::make_unique<TMultiCaptureRecorder>(std::move(host));
  }
  // Picture n arrives step milliseconds after the one before.
  void Arrive(int n, int step = 100) {
    FNow += std::chrono::milliseconds(step);
    FBytes = std::string(FPictureSize, char('a' + n % 26)) + std::to_string(n);
    FRecorder->NewPicture({64, 48, &FBytes}, FResumed);
  }
  void Start(const TMultiCaptureSettings& settings) {
    FRecorder->Start(settings, FFlashback, {1, 1, nullptr}, FResumed);
  }
  std::vector<TCaptureFrame> Read(const char* name) const {
    return ReadBack(FFolder.File(name)).Frames;
  }
  bool Exists(const char* name) const { return std::filesystem::exists(FFolder.File(name)); }

  TTempDir FFolder;
  // Whole milliseconds, as the files keep them.
  TClock::time_point FNow = std::chrono::time_point_cast<std::chrono::milliseconds>(TClock::now());
  TFlashbackStore FFlashback;
  std::vector<std::string> FClosed;  // outlives the recorder, which closes its file last
  std::unique_ptr<TMultiCaptureRecorder> FRecorder;
  std::string FBytes;
  std::size_t FPictureSize = 1000;
  bool FResumed = false;
  bool FSaveFails = false;
  int FSingleCaptures = 0;
  std::string FStatus;
};

TEST_F(MultiCaptureRecorder, FrameClipsMakeOneFileEachUpToTheFileLimit) {
  const TClock::time_point started = FNow;
  FFlashback.Store("kept-1", started - std::chrono::seconds(2), 5);
  FFlashback.Store("kept-2", started - std::chrono::seconds(1), 5);
  Start({0, 5, TMultiCaptureSettings::VmcFile, TMultiCaptureSettings::Frames, 1, 3});
  // The placeholder picture recorded at the start counts as the first of the clip.
  for (int n = 1; n <= 20 && FRecorder->Capturing(); ++n) Arrive(n);
  EXPECT_FALSE(FRecorder->Capturing());
  EXPECT_FALSE(Exists("Gate00004.vmc"));

  const std::vector<TCaptureFrame> first = Read("Gate00001.vmc");
  ASSERT_EQ(first.size(), 2u + 5u);  // the kept frames lead and count towards no limit
  EXPECT_EQ(first[0].Images.at(0).Jpeg, "kept-1");
  EXPECT_EQ(first[1].Time, started - std::chrono::seconds(1));
  const TCaptureImage& placeholder = first[2].Images.at(0);
  EXPECT_TRUE(placeholder.Jpeg.empty());
  EXPECT_EQ(placeholder.Rect, (TCaptureRect{0, 0, 3, 23}));
  const TCaptureImage& live = first[3].Images.at(0);
  EXPECT_EQ(live.Rect, (TCaptureRect{0, 0, 66, 70}));
  EXPECT_EQ(live.WindowNumber, 3);
  EXPECT_EQ(live.Name, "Gate");
  EXPECT_EQ(Read("Gate00002.vmc").size(), 5u);
  EXPECT_EQ(Read("Gate00003.vmc").size(), 5u);
  EXPECT_EQ(FStatus, "Captured frame 5 in file: Gate00003.vmc");
  EXPECT_EQ(FClosed,
            (std::vector<std::string>{FFolder.File("Gate00001.vmc"), FFolder.File("Gate00002.vmc"),
                                      FFolder.File("Gate00003.vmc")}));
}

TEST_F(MultiCaptureRecorder, AMegabyteClipEndsWithThePictureThatFillsItAndRepeats) {
  FPictureSize = 348999;
  Start({0, 1, TMultiCaptureSettings::VmcFile, TMultiCaptureSettings::Megabytes, 0, 0});
  for (int n = 1; n <= 3; ++n) Arrive(n);
  EXPECT_FALSE(Exists("Gate00002.vmc"));  // 16 + 60 + 3 × 349,061 bytes: past 10^6, not 2^20
  Arrive(4);
  EXPECT_EQ(Read("Gate00001.vmc").size(), 5u);
  EXPECT_TRUE(FRecorder->Capturing());  // no file limit: the next clip has begun
  EXPECT_TRUE(Exists("Gate00002.vmc"));
  EXPECT_EQ(FRecorder->BytesWritten(), 16);
}

TEST_F(MultiCaptureRecorder, AMinuteClipEndsWithThePictureAMinuteAfterItsStart) {
  Start({0, 1, TMultiCaptureSettings::VmcFile, TMultiCaptureSettings::Minutes, 0, 0});
  for (int n = 1; n <= 3; ++n) Arrive(n, 20000);
  EXPECT_EQ(Read("Gate00001.vmc").size(), 1u + 3u);
  Arrive(4, 20000);
  EXPECT_EQ(Read("Gate00002.vmc").size(), 1u);  // the next clip began with the next picture
}

TEST_F(MultiCaptureRecorder, DelayDuplicatesSuspensionAndBreaks) {
  Start({1000, 0, TMultiCaptureSettings::VmcFile, TMultiCaptureSettings::NoClipLimit, 0, 0});
  Arrive(1);        // the first picture after the start is taken at once
  Arrive(2, 500);   // too soon after it
  Arrive(3, 600);   // 1.1 s after the first
  Arrive(3, 1000);  // the same picture again
  FRecorder->SetSuspended(true);
  Arrive(4, 1000);
  FRecorder->SetSuspended(false);
  FResumed = true;
  Arrive(5, 1000);
  EXPECT_FALSE(FResumed);
  FRecorder->Stop();

  std::vector<char> shown;
  std::vector<bool> breaks;
  for (const TCaptureFrame& frame : Read("Gate00001.vmc")) {
    const TCaptureImage& image = frame.Images.at(0);
    shown.push_back(image.Jpeg.empty() ? '-' : image.Jpeg.back());
    breaks.push_back(image.Break());
  }
  EXPECT_EQ(shown, (std::vector<char>{'-', '1', '3', '5'}));
  EXPECT_EQ(breaks, (std::vector<bool>{false, false, false, true}));
}

TEST_F(MultiCaptureRecorder, JpegFilesNeverEndOnMegabytesAndAFailedSaveEndsTheRun) {
  FPictureSize = 2 << 20;
  Start({0, 1, TMultiCaptureSettings::JpegFiles, TMultiCaptureSettings::Megabytes, 0, 0});
  for (int n = 1; n <= 3; ++n) Arrive(n);
  EXPECT_EQ(FSingleCaptures, 4);
  FSaveFails = true;
  EXPECT_THROW(Arrive(4), EFileWrite);
  EXPECT_FALSE(FRecorder->Capturing());
  Arrive(5);  // over: nothing more is tried
  EXPECT_EQ(FSingleCaptures, 4);
}

TEST_F(MultiCaptureRecorder, AFullDiskEndsTheRecordingOnceAndKeepsEveryWholeFrame) {
  Start({0, 0, TMultiCaptureSettings::VmcFile, TMultiCaptureSettings::NoClipLimit, 0, 0});
  int failures = 0, recorded = 0;
  {
    // Room for the start and about three and a half pictures.
    TFileSizeLimit fullDisk(FRecorder->BytesWritten() + 3500);
    for (int n = 1; n <= 10; ++n) {
      try {
        Arrive(n);
        recorded += FRecorder->Capturing();
      } catch (const EFileWrite&) {
        ++failures;
      }
    }
  }
  EXPECT_EQ(failures, 1);
  EXPECT_FALSE(FRecorder->Capturing());
  ASSERT_EQ(recorded, 3);
  // The placeholder and each picture written whole, then the frame the disk cut short.
  TMultiCaptureReader reader;
  reader.Open(FFolder.File("Gate00001.vmc"));
  while (!reader.IndexStep(100)) {
  }
  ASSERT_EQ(reader.FrameIndex().size(), 1u + 3u + 1u);
  std::string third(FPictureSize, 'd');
  EXPECT_EQ(reader.ReadFrame(3).Images.at(0).Jpeg, third.append("3"));
}

TEST_F(MultiCaptureRecorder, AFileThatCannotBeCreatedStartsNothing) {
  TMultiCaptureRecorder::THost host;
  host.CaptureFolder = FFolder.File("blocked/deeper");
  WriteFileAtomically(FFolder.File("blocked"), "a file, not a folder");
  TMultiCaptureRecorder recorder(std::move(host));
  bool resumed = false;
  EXPECT_THROW(recorder.Start({0, 0, 1, 0, 0, 0}, FFlashback, {1, 1, nullptr}, resumed),
               EFileWrite);
  EXPECT_FALSE(recorder.Capturing());
}

}  // namespace
}  // namespace vexilon
