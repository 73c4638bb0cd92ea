// vexilonctl probe against camsim: what a user checking a camera entry sees.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "support/CamSim.h"
#include "support/Command.h"

namespace vexilon {
namespace {

TCommandRun Probe(const std::string& arguments) {
  return RunCommand(std::string(VEXILONCTL_PATH) + " probe " + arguments);
}

// The frame lines of an output, each "frame N BYTES[ WxH]".
std::vector<std::string> FrameLines(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("frame ")) lines.push_back(line);
  return lines;
}

class VexilonctlProbe : public TCamSimTest {
 protected:
  static std::string Url(const std::string& target) {
    return "'http://127.0.0.1:" + std::to_string(Port()) + target + "'";
  }
};

TEST_F(VexilonctlProbe, ReportsEveryFramingWithSizes) {
  const struct {
    const char* Target;
    const char* Options;
    const char* Head;  // how the printed head begins
  } cases[] = {
      {"/push", "", "HTTP/1.0 200 OK\n"},
      {"/push?nolength", "--format html", "HTTP/1.0 200 OK\n"},
      {"/tagged", "--simple-get", ""},
      {"/vod", "--format vod", "HTTP/1.0 200 OK\n"},
      {"/cam32", "--format webcam32", "HTTP/1.0 200 OK\n"},
      {"/still.jpg", "", "HTTP/1.0 200 OK\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Target);
    const TCommandRun run =
        Probe(Url(c.Target) + " --frames 3 --decode --seconds 5 " + std::string(c.Options));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(run.Out.starts_with(c.Head)) << run.Out;
    const auto frames = FrameLines(run.Out);
    ASSERT_EQ(frames.size(), 3u) << run.Out;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_TRUE(std::regex_match(
          frames[i], std::regex("frame " + std::to_string(i + 1) + " [0-9]+ 160x120")))
          << frames[i];
    }
    EXPECT_TRUE(std::regex_search(
        run.Out, std::regex("\nframes=3 bytes=[0-9]+ seconds=[0-9.]+ fps=[0-9.]+\n$")))
        << run.Out;
  }
}

TEST_F(VexilonctlProbe, ProxiesAndAuthentication) {
  TCamSim proxy({"--size", "64x48"});
  ASSERT_TRUE(proxy.Started());
  // The default type (a tunnel) and one given; e2e/ThreadsCamSim_test covers every mode.
  for (const std::string type : {"", " --proxy-type 3"}) {
    const TCommandRun run = Probe(Url("/push") + " --frames 2 --decode --proxy 127.0.0.1:" +
                                  std::to_string(proxy.Port()) + type);
    EXPECT_EQ(run.ExitCode, 0) << type << run.Err;
    EXPECT_EQ(FrameLines(run.Out).size(), 2u) << type;
    EXPECT_NE(run.Out.find(" 160x120\n"), std::string::npos) << type;
  }
  const TCommandRun allowed = Probe(Url("/push?auth=u:p") + " --frames 1 --auth u:p");
  EXPECT_EQ(allowed.ExitCode, 0) << allowed.Err;
  const TCommandRun refused = Probe(Url("/push?auth=u:p") + " --seconds 0.2 --auth u:wrong");
  EXPECT_EQ(refused.ExitCode, 1);
  EXPECT_TRUE(refused.Out.starts_with("HTTP/1.0 401")) << refused.Out;
  EXPECT_NE(refused.Err.find("no frame arrived"), std::string::npos) << refused.Err;
}

TEST_F(VexilonctlProbe, ASecondsLimitEndsTheRun) {
  const TCommandRun run = Probe(Url("/push?fps=10") + " --seconds 0.5");
  EXPECT_EQ(run.ExitCode, 0);
  const size_t frames = FrameLines(run.Out).size();
  EXPECT_GE(frames, 2u);
  EXPECT_LE(frames, 10u);
}

TEST(VexilonctlProbeErrors, BadArgumentsAndUnreachableServers) {
  const struct {
    const char* Arguments;
    int Exit;
    const char* Message;
  } cases[] = {
      {"", 2, "no URL given"},
      {"cam.example/video", 2, "names no server"},
      {"http://a/ --format mjpeg", 2, "unknown format 'mjpeg'"},
      {"http://a/ --frames 0", 2, "--frames needs a whole number of at least 1, not '0'"},
      {"http://a/ --seconds -1", 2, "--seconds needs a number above 0"},
      {"http://a/ --proxy-type 4 --proxy p:1", 2, "--proxy-type needs 1, 2 or 3, not '4'"},
      {"http://a/ --proxy-type 2", 2, "--proxy-type needs --proxy HOST:PORT"},
      {"http://a/ --auth nocolon", 2, "--auth needs USER:PASS"},
      {"http://a/ --bogus", 2, "unknown option '--bogus'"},
      {"http://a/ http://b/", 2, "more than one URL"},
      {"http://127.0.0.1:1/video", 1, "could not connect to 127.0.0.1:1"},
      {"http://127.0.0.1:1/video --proxy 127.0.0.1:1", 1, "could not connect to the proxy"},
  };
  for (const auto& c : cases) {
    const TCommandRun run = Probe(c.Arguments);
    EXPECT_EQ(run.ExitCode, c.Exit) << c.Arguments;
    EXPECT_NE(run.Err.find(c.Message), std::string::npos) << c.Arguments << ": " << run.Err;
  }
  const TCommandRun help = Probe("--help");
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_TRUE(help.Out.starts_with("usage: vexilonctl probe URL")) << help.Out;
}

}  // namespace
}  // namespace vexilon
