// vexilonctl record against camsim: recordings read back as the playback window reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "core/capture/VmcFiles.h"
#include "core/imaging/Jpeg.h"
#include "support/CamSim.h"
#include "support/Command.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

// A picture as camsim sent it: a whole JPEG of its size.
void ExpectCameraPicture(const std::string& jpeg) {
  EXPECT_TRUE(jpeg.starts_with("\xFF\xD8") && jpeg.ends_with("\xFF\xD9"));
  TBitmap bitmap;
  ASSERT_TRUE(DecodeJpeg(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(), bitmap));
  EXPECT_EQ(bitmap.Width, 160);
  EXPECT_EQ(bitmap.Height, 120);
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
  return parts;
}

class VexilonctlRecord : public TCamSimTest {
 protected:
  // vexilonctl record run in the background, recording into the test's folder OUT.
  std::future<TCommandRun> Record(const std::string& out, const std::string& arguments,
                                  const std::string& prefix = "") {
    const std::string line = prefix + VEXILONCTL_PATH +
                             " record 'http://127.0.0.1:" + std::to_string(Port()) +
                             "/push' --out '" + dir.File(out) + "' " + arguments;
    return std::async(std::launch::async, [line] { return RunCommand(line); });
  }
  // The frames of a recording, which must have the caption-height record of a camera window.
  std::vector<TCaptureFrame> Frames(const std::string& path) {
    const TReadBack file = ReadBack(path);
    EXPECT_FALSE(file.Damaged);
    EXPECT_EQ(file.CaptionHeight, 22);
    return file.Frames;
  }
  TTempDir dir;
};

TEST_F(VexilonctlRecord, RecordsClipsAsACameraWindowDoes) {
  const struct {
    const char* Options;
    const char* Name;          // in the image records, and the folder recorded into
    int MinFrames, MaxFrames;  // in each .vmc
    int MinGapMs;              // between frames after the second
    const char* Files;         // as printed, separated by commas
  } rows[] = {
      {"--name 'Front Door' --delay 0 --clip frames --count 10 --files 2", "Front Door", 10, 10, 0,
       "Front Door00001.vmc,Front Door00002.vmc"},
      {"--delay 200 --seconds 1.5", "127.0.0.1", 5, 9, 195, "127.0.0.1-00001.vmc"},
      {"--name Gate --style jpg --clip frames --count 3 --files 1", "Gate", 0, 0, 0,
       "Gate00001.jpg,Gate00002.jpg,Gate00003.jpg"},
  };
  // All at once: the second takes its one and a half seconds.
  std::vector<std::future<TCommandRun>> runs;
  for (const auto& row : rows) runs.push_back(Record(row.Name, row.Options));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Options);
    const TCommandRun run = runs[std::size_t(&row - rows)].get();
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    std::string printed;
    for (const std::string& name : Split(row.Files))
      printed += dir.File(row.Name) + "/" + name + "\n";
    EXPECT_EQ(run.Out, printed);
    std::string previous;
    for (const std::string& name : Split(row.Files)) {
      const std::string path = dir.File(row.Name) + "/" + name;
      if (name.ends_with(".jpg")) {
        const std::string jpeg = FileBytes(path);
        ExpectCameraPicture(jpeg);
        EXPECT_NE(jpeg, previous);
        previous = jpeg;
        continue;
      }
      const std::vector<TCaptureFrame> frames = Frames(path);
      EXPECT_GE(int(frames.size()), row.MinFrames);
      EXPECT_LE(int(frames.size()), row.MaxFrames);
      for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(frames[i].Images.size(), 1u);
        const TCaptureImage& image = frames[i].Images[0];
        // The recorder's own rules (rectangle, no repeats) are MultiCaptureRecorder's.
        EXPECT_EQ(image.WindowNumber, 1);
        EXPECT_EQ(image.Name, row.Name);
        ExpectCameraPicture(image.Jpeg);
        // The attempt made when the recording starts leaves the next picture free to follow.
        if (i > 1) {
          EXPECT_GE(frames[i].Time - frames[i - 1].Time, std::chrono::milliseconds(row.MinGapMs));
        }
      }
    }
  }
}

TEST_F(VexilonctlRecord, StopSignalsEndTheFileWithItsEndMark) {
  const char* const signals[] = {"INT", "TERM"};
  // Both at once, each into a folder named after its signal.
  std::vector<std::future<TCommandRun>> runs;
  for (const std::string signal : signals)
    runs.push_back(Record(signal, "--delay 50", "timeout --preserve-status -s " + signal + " 1 "));
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::string signal = signals[i];
    SCOPED_TRACE(signal);
    const TCommandRun run = runs[i].get();
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    const std::string path = dir.File(signal) + "/127.0.0.1-00001.vmc";
    EXPECT_EQ(run.Out, path + "\n");
    EXPECT_TRUE(FileBytes(path).ends_with(std::string(4, '\0')));
    EXPECT_GE(Frames(path).size(), 5u);
  }
}

TEST_F(VexilonctlRecord, RefusesWhatItCannotRecord) {
  const struct {
    std::string Command;
    int Exit;
    const char* Err;
  } rows[] = {
      {"record http://127.0.0.1:1/video", 1, "could not connect to 127.0.0.1:1"},
      {"record 'http://127.0.0.1:" + std::to_string(Port()) + "/push?auth=u:p' --auth u:wrong", 1,
       "the server answered HTTP/1.0 401"},
      {"record", 2, "no URL given"},
      {"record http://a/ --clip frames", 2, "--clip and --count go together"},
      {"record http://a/ --clip weeks --count 2", 2, "--clip needs frames, mb or minutes"},
      {"record http://a/ --style png", 2, "--style needs vmc or jpg"},
      {"record http://a/ --files 0", 2, "--files needs a number"},
      {"record http://a/ --delay -1", 2, "--delay needs milliseconds"},
      {"record http://a/ --seconds", 2, "--seconds needs a value"},
      {"record http://a/ --proxy-type 2", 2, "--proxy-type needs --proxy"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Command);
    const TCommandRun run = RunCommand(std::string(VEXILONCTL_PATH) + " " + row.Command +
                                       " --out '" + dir.Path() + "'");
    EXPECT_EQ(run.ExitCode, row.Exit);
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find(row.Err), std::string::npos) << run.Err;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace vexilon
