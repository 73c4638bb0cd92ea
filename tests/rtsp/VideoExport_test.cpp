#include "core/export/VideoExport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "core/capture/MultiCaptureWriter.h"
#include "support/Command.h"
#include "support/GreyJpeg.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;

// Milliseconds after the first frame at which the recording's frames were taken: an uneven
// camera, a pause, a clock that stepped back, and a recording resumed two hours later.
const std::vector<int> kTimes = {0, 40, 95, 1000, 1040, 1030, 7201030};

// A recording of windows 1 and 2 (or of window 1 alone), each frame a picture of its own shade.
std::string Record(const TTempDir& folder, bool twoWindows) {
  const std::string path = folder.File(twoWindows ? "desktop.vmc" : "one.vmc");
  TMultiCaptureWriter writer;
  writer.Create(path, 22);
  const auto start = std::chrono::system_clock::now();
  for (std::size_t i = 0; i < kTimes.size(); ++i) {
    writer.AppendFrame(start + std::chrono::milliseconds(kTimes[i]));
    writer.AppendImage(0, {0, 0, 98, 72}, 1, "Gate", GreyJpeg(96, 48, std::uint8_t(20 * i)));
    if (twoWindows) writer.AppendImage(0, {100, 0, 198, 72}, 2, "Yard", GreyJpeg(64, 32));
  }
  writer.Close();
  return path;
}

// Each frame's time stamp in milliseconds and the stream's codec and size, as ffprobe reads
// the file.
std::string Probed(const std::string& file) {
  const TCommandRun stream = RunCommand(
      "ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 '" + file + "'");
  const TCommandRun frames = RunCommand(
      "ffprobe -v error -show_entries frame=pts_time -of default=nw=1:nk=1 '" + file + "'");
  std::istringstream lines(frames.Out);
  std::string text = stream.Out.substr(0, stream.Out.find('\n')), line;
  while (std::getline(lines, line))
    text += " " + std::to_string(std::lround(std::stod(line) * 1000));
  return text;
}

TEST(VideoExport, RecordedTimesSurviveInMatroskaAndMp4) {
  TTempDir folder;
  const std::string one = Record(folder, false);
  // The stepped-back frame comes a millisecond after the one before it; the two hours are
  // shortened to the hour a picture is shown at most.
  const struct {
    const char* Target;
    std::int32_t First, Last;
    const char* Expected;
  } rows[] = {
      {"all.mkv", 1, 0, "mjpeg,96,48 0 40 95 1000 1040 1041 3601041"},
      {"part.mkv", 2, 4, "mjpeg,96,48 0 55 960"},
      {"all.mp4", 1, 0, "h264,96,48 0 40 95 1000 1040 1041 3601041"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Target);
    const std::string target = folder.File(row.Target);
    const TVideoExportResult result =
        ExportVideo({one, target, VideoFormatFor(target), std::nullopt, row.First, row.Last});
    EXPECT_EQ(result.Frames, row.Last == 0 ? 7 : row.Last - row.First + 1);
    EXPECT_EQ(Probed(target), row.Expected);
  }
}

// An odd first picture loses a column and a row; a picture of another shape is letterboxed.
TEST(VideoExport, Mp4KeepsEveryPicturesShape) {
  TTempDir folder;
  const std::string recording = folder.File("sizes.vmc");
  TMultiCaptureWriter writer;
  writer.Create(recording, 22);
  const auto start = std::chrono::system_clock::now();
  for (const auto& [width, height] : {std::pair{97, 49}, std::pair{48, 48}}) {
    writer.AppendFrame(start + std::chrono::milliseconds(40 * width));
    writer.AppendImage(0, {0, 0, 98, 72}, 1, "Gate", GreyJpeg(width, height, 200));
  }
  writer.Close();
  const std::string target = folder.File("sizes.mp4");
  ASSERT_EQ(ExportVideo({recording, target, TVideoFormat::Mp4, std::nullopt, 1, 0}).Frames, 2);
  // Each frame's middle row as grey levels: the picture's shade, or black at the sides.
  const TCommandRun rows =
      RunCommand("ffmpeg -v error -i '" + target +
                 "' -vf format=gray,crop=96:1:0:24 -f rawvideo - | od -An -v -tu1");
  std::istringstream levels(rows.Out);
  std::vector<int> row;
  for (int level; levels >> level;) row.push_back(level);
  ASSERT_EQ(row.size(), 2u * 96) << rows.Out;
  const auto grey = [](int level) { return level > 150; };
  EXPECT_TRUE(grey(row[0]) && grey(row[95])) << "first frame cropped, not scaled";
  EXPECT_TRUE(!grey(row[96 + 2]) && grey(row[96 + 48]) && !grey(row[96 + 93]))
      << "second frame between black bars";
}

TEST(VideoExport, ADesktopRecordingNeedsItsWindowAndNothingIsLeftOfAFailure) {
  TTempDir folder;
  const std::string desktop = Record(folder, true);
  const std::string target = folder.File("yard.mkv");
  const struct {
    std::optional<std::int32_t> Window;
    std::int32_t First, Last;
    const char* Error;
  } failures[] = {
      {std::nullopt, 1, 0,
       "desktop.vmc is a recording of several windows: choose the window to export"},
      {7, 1, 0, "Window 7 has no pictures in these frames"},
      {2, 3, 9, "Frames 3 to 9 are not in desktop.vmc, which holds 7 frames"},
  };
  for (const auto& row : failures) {
    try {
      ExportVideo({desktop, target, TVideoFormat::Matroska, row.Window, row.First, row.Last});
      ADD_FAILURE() << row.Error;
    } catch (const EVideoExport& error) {
      EXPECT_STREQ(error.what(), row.Error);
    }
  }
  // Cancelled halfway: nothing is left beside the recording.
  const TVideoExportResult cancelled =
      ExportVideo({desktop, target, TVideoFormat::Matroska, 2, 1, 0},
                  [](std::int32_t done, std::int32_t total) { return done < total / 2; });
  EXPECT_TRUE(cancelled.Cancelled);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);

  // vexilonctl hands the export to the tool that links the video libraries.
  const TCommandRun run = RunCommand(std::string(VEXILONCTL_PATH) + " vmc export '" + desktop +
                                     "' '" + target + "' --window 2");
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out, "frames=7 file=" + target + "\n");
  EXPECT_EQ(Probed(target), "mjpeg,64,32 0 40 95 1000 1040 1041 3601041");
}

}  // namespace
}  // namespace vexilon
