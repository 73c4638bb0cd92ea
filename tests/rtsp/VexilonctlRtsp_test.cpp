#include <gtest/gtest.h>

#include <regex>

#include "support/Command.h"
#include "support/RtspServer.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

std::string Probe(const std::string& arguments) {
  return std::string(VEXILONCTL_PATH) + " probe " + arguments;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// ffmpeg's own reading of the same camera, to compare with.
std::string FfprobeStream(const std::string& url) {
  return RunCommand(
             "ffprobe -v error -rtsp_transport tcp -select_streams v:0 -show_entries "
             "stream=codec_name,width,height -of csv=p=0 '" +
             url + "'")
      .Out;
}

TEST(VexilonctlRtsp, ProbeReportsTheStreamAndEveryPictureAsFfmpegSeesIt) {
  TRtspServer server({"--codec", "h264", "--size", "320x240", "--user", "u", "--password", "p"});
  ASSERT_TRUE(server.Started()) << server.Error();
  EXPECT_EQ(FfprobeStream(server.Url("u:p")), "h264,320,240\n");

  const TCommandRun run = RunCommand(Probe(server.Url() + " --auth u:p --frames 5 --decode"));
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const auto lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 7u) << run.Out;
  EXPECT_EQ(lines[0], "stream codec=h264 size=320x240 fps=25.00 audio=none");
  EXPECT_TRUE(std::regex_match(lines[1], std::regex("frame 1 [0-9]+ 0\\.000 key 320x240")))
      << lines[1];
  for (size_t i = 2; i < 6; ++i)
    EXPECT_TRUE(std::regex_match(lines[i], std::regex("frame [2-5] [0-9]+ 0\\.[0-9]{3} 320x240")))
        << lines[i];
  EXPECT_TRUE(std::regex_match(lines[6], std::regex("frames=5 bytes=[0-9]+ seconds=[0-9.]+ "
                                                    "fps=[0-9.]+ format=rtsp/h264")))
      << lines[6];

  const TCommandRun json = RunCommand(Probe(server.Url("u:p") + " --frames 1 --json --udp"));
  EXPECT_EQ(json.ExitCode, 0) << json.Err;
  EXPECT_NE(json.Out.find("{\"type\":\"stream\",\"codec\":\"h264\",\"width\":320,\"height\":240,"
                          "\"fps\":25.00,\"audio\":null}\n{\"type\":\"frame\",\"number\":1,"),
            std::string::npos)
      << json.Out;

  const TCommandRun refused = RunCommand(Probe(server.Url("u:wrong") + " --frames 1"));
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_EQ(refused.Err, "vexilonctl probe: " + server.Url("u:***") +
                             ": The camera refused the user name or password (401)\n");
}

TEST(VexilonctlRtsp, RecordKeepsDecodedPicturesAsJpegFilesOthersCanRead) {
  TRtspServer server({"--size", "320x240", "--user", "u", "--password", "p"});
  ASSERT_TRUE(server.Started()) << server.Error();
  TTempDir out;
  const std::string ctl = std::string(VEXILONCTL_PATH);
  const TCommandRun run = RunCommand(ctl + " record " + server.Url() +
                                     " --auth u:p --name cam --delay 0 --clip frames "
                                     "--count 10 --files 1 --out '" +
                                     out.Path() + "'");
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::string file = out.Path() + "/cam00001.vmc";
  EXPECT_EQ(Lines(run.Out).back(), file);
  EXPECT_EQ(Lines(RunCommand(ctl + " vmc info '" + file + "'").Out).back(), "frames=10 images=10");
  ASSERT_EQ(
      RunCommand(ctl + " vmc explode '" + file + "' '" + out.Path() + "' x --window 1").ExitCode,
      0);
  // ImageMagick reads what was kept: the camera's size, at quality 90.
  EXPECT_EQ(RunCommand("identify -format '%w %h %Q %m' '" + out.Path() + "/x00010.jpg'").Out,
            "320 240 90 JPEG");

  const TCommandRun refused =
      RunCommand(ctl + " record " + server.Url("u:wrong") + " --out '" + out.Path() + "'");
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_EQ(refused.Err, "vexilonctl record: " + server.Url("u:***") +
                             ": The camera refused the user name or password (401)\n");
}

}  // namespace
}  // namespace vexilon
