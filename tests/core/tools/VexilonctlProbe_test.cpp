// vexilonctl probe and snapshot against camsim: what a user checking a camera entry sees.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "support/CamSim.h"
#include "support/CatalogueSamples.h"
#include "support/Command.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

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

// Every framing is read in e2e/ThreadsCamSim_test; here, the options that choose one, and the
// report.
TEST_F(VexilonctlProbe, ReportsEveryFramingWithSizes) {
  TCamSim proxy({"--size", "64x48"});
  ASSERT_TRUE(proxy.Started());
  const std::string viaProxy = "--proxy 127.0.0.1:" + std::to_string(proxy.Port());
  const struct {
    const char* Target;
    std::string Options;
    const char* Head;    // how the printed head begins
    const char* Format;  // the framing read
  } cases[] = {
      {"/push", "", "HTTP/1.0 200 OK\n", "auto"},
      {"/push?nolength", "--format html", "HTTP/1.0 200 OK\n", "html"},
      {"/tagged", "--simple-get", "", "auto"},
      // Length framings are found by their first bytes.
      {"/vod", "", "HTTP/1.0 200 OK\n", "vod"},
      {"/cam32?nohead", "--format auto", "", "webcam32"},
      {"/push?auth=u:p", "--auth u:p", "HTTP/1.0 200 OK\n", "auto"},
      // The default proxy type (a tunnel) and one given; e2e/ThreadsCamSim_test has every mode.
      {"/push", viaProxy, "HTTP/1.0 200 OK\n", "auto"},
      {"/push", viaProxy + " --proxy-type 3", "HTTP/1.0 200 OK\n", "auto"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Target);
    const TCommandRun run = Probe(Url(c.Target) + " --frames 3 --decode --seconds 5 " + c.Options);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_TRUE(run.Out.starts_with(c.Head)) << run.Out;
    // The head, if any, then one line for each frame and the summary.
    EXPECT_TRUE(std::regex_search(
        run.Out, std::regex("(^|\n)frame 1 [0-9]+ 160x120\nframe 2 [0-9]+ 160x120\nframe 3 "
                            "[0-9]+ 160x120\nframes=3 bytes=[0-9]+ seconds=[0-9.]+ fps=[0-9.]+ "
                            "format=" +
                            std::string(c.Format) + "\n$")))
        << run.Out;
  }
}

TEST_F(VexilonctlProbe, FinalRefusalsStopAtOnceInWordsAfterTheHead) {
  const struct {
    const char* Target;
    const char* Options;
    const char* Head;
    const char* Words;
  } cases[] = {
      {"/push?auth=u:p", "", "HTTP/1.0 401",
       "the camera asks for a user name and password (401): give --auth USER:PASS"},
      {"/push?auth=u:p", "--auth u:wrong", "HTTP/1.0 401",
       "The camera refused the user name or password (401)"},
      {"/vod?status=403", "", "HTTP/1.0 403", "The camera refused access (403)"},
      {"/nothing/here", "", "HTTP/1.0 404", "Not found on the camera (404)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Target);
    const auto start = std::chrono::steady_clock::now();
    const TCommandRun run = Probe(Url(c.Target) + " --seconds 20 " + c.Options);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "vexilonctl probe: " + std::string(c.Words) + "\n");
    EXPECT_TRUE(run.Out.starts_with(c.Head)) << run.Out;
    EXPECT_TRUE(std::regex_search(run.Out, std::regex("\nframes=0 bytes=0 ")));
  }
}

TEST_F(VexilonctlProbe, JsonGivesAnObjectPerFrameThenASummary) {
  TCommandRun run = Probe(Url("/vod") + " --frames 2 --decode --json");
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_TRUE(std::regex_match(
      run.Out,
      std::regex(
          R"(\{"type":"frame","number":1,"bytes":[0-9]+,"decoded":true,"width":160,"height":120\}\n)"
          R"(\{"type":"frame","number":2,[^\n]*\}\n)"
          R"(\{"type":"summary","status":200,"head":"HTTP/1.0 200 OK\\r\\n[^"]*\\r\\n\\r\\n",)"
          R"("format":"vod","frames":2,"bytes":[0-9]+,"seconds":[0-9.]+,"fps":[0-9.]+,"error":null\}\n)")))
      << run.Out;
  run = Probe(Url("/push?status=404") + " --json");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_NE(run.Out.find(R"("frames":0,"bytes":0,)"), std::string::npos) << run.Out;
  EXPECT_TRUE(run.Out.ends_with(R"x("error":"Not found on the camera (404)"})x"
                                "\n"))
      << run.Out;
}

TEST_F(VexilonctlProbe, ASecondsLimitEndsTheRun) {
  const TCommandRun run = Probe(Url("/push?fps=10") + " --seconds 0.5");
  EXPECT_EQ(run.ExitCode, 0);
  const size_t frames = FrameLines(run.Out).size();
  EXPECT_GE(frames, 2u);
  EXPECT_LE(frames, 10u);
}

// A catalogue whose groups give the cameras their server; only Outdoor gives credentials.
class VexilonctlProbeEntry : public VexilonctlProbe {
 protected:
  void SetUp() override {
    VexilonctlProbe::SetUp();
    const std::string prefix = "PREFIX=\"http://127.0.0.1:" + std::to_string(Port()) + "/\"";
    const std::string group = " SUFFIX=\"\" FLAGS=0 SUBGROUP=\"\" HEADERS=\"\"";
    WriteBytes(
        dir.File("Vexilon.vxc"),
        TextFile({"TYPE=ROOT NAME=Cameras", ":TYPE=GROUP NAME=Outdoor AUTH=u:p " + prefix + group,
                  "::" + ItemLine("Gate", 0, "vod?auth=u:p"),
                  ":TYPE=GROUP NAME=Indoor AUTH=\"\" " + prefix + group,
                  "::" + ItemLine("Hall", 0, "push?auth=u:p")}));
  }
  TCommandRun ProbeEntry(const std::string& arguments) {
    return RunCommand("VEXILON_HOME='" + dir.Path() + "' " + VEXILONCTL_PATH + " probe " +
                      arguments);
  }

  TTempDir dir;
};

TEST_F(VexilonctlProbeEntry, ProbesAnEntryWithWhatItsGroupsPassOn) {
  const std::string file = " --catalogue '" + dir.File("Vexilon.vxc") + "'";
  const struct {
    std::string Arguments;
    int Exit;
    std::string Err;
  } cases[] = {
      {"--entry Outdoor:Gate --frames 2" + file, 0, ""},
      {"--entry Outdoor:Gate --frames 2", 0, ""},  // the program folder's catalogue
      {"--entry Indoor:Hall --seconds 20", 1,
       "vexilonctl probe: This camera asks for a user name and password: Commands \u2192 Edit "
       "Item\u2026\n"},
      {"--entry Outdoor:Pond" + file, 1,
       "vexilonctl: no entry 'Outdoor:Pond' in " + dir.File("Vexilon.vxc") + "\n"},
      {"--entry Outdoor" + file, 1,
       "vexilonctl: 'Outdoor' in " + dir.File("Vexilon.vxc") + " is a group\n"},
      {"--entry Outdoor:Gate --catalogue '" + dir.File("none.vxc") + "'", 1,
       "vexilonctl: no such file: " + dir.File("none.vxc") + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Arguments);
    const TCommandRun run = ProbeEntry(c.Arguments);
    EXPECT_EQ(run.ExitCode, c.Exit);
    EXPECT_EQ(run.Err, c.Err);
    if (c.Exit == 0) {
      EXPECT_EQ(FrameLines(run.Out).size(), 2u);
      EXPECT_NE(run.Out.find(" format=vod\n"), std::string::npos) << run.Out;
    }
  }
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
      {"http://a/ --entry A:B", 2, "--entry takes the place of a URL ('http://a/')"},
      {"--entry A:B --auth u:p", 2, "--auth comes from the catalogue with --entry"},
      {"http://a/ --catalogue c.vxc", 2, "--catalogue goes with --entry PATH"},
      {"http://127.0.0.1:1/video", 1, "could not connect to 127.0.0.1:1"},
      {"http://127.0.0.1:1/video --proxy 127.0.0.1:1", 1, "could not connect to the proxy"},
  };
  for (const auto& c : cases) {
    const TCommandRun run = Probe(c.Arguments);
    EXPECT_EQ(run.ExitCode, c.Exit) << c.Arguments;
    EXPECT_NE(run.Err.find(c.Message), std::string::npos) << c.Arguments << ": " << run.Err;
  }
}

// vexilonctl snapshot: one picture of a camera, or one line saying why not.
class VexilonctlSnapshot : public VexilonctlProbe {
 protected:
  TCommandRun Snapshot(const std::string& arguments) {
    return RunCommand(std::string(VEXILONCTL_PATH) + " snapshot " + arguments + " '" +
                      dir.File("out.jpg") + "'");
  }

  TTempDir dir;
};

TEST_F(VexilonctlSnapshot, SavesOneJpegAsReceived) {
  for (const char* target : {"/push", "/vod", "/cam32?nohead", "/still.jpg"}) {
    SCOPED_TRACE(target);
    std::filesystem::remove(dir.File("out.jpg"));
    const TCommandRun run = Snapshot(Url(target));
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "");
    const std::string jpeg = ReadBytes(dir.File("out.jpg"));
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
  }
}

TEST_F(VexilonctlSnapshot, NothingInTimeIsOneLineAndNoFile) {
  const std::string closed = "127.0.0.1:" + std::to_string(ClosedPort());
  const struct {
    std::string Arguments;
    std::string Err;
  } cases[] = {
      {Url("/push?stall=0") + " --seconds 0.5", "vexilonctl snapshot: no frame arrived\n"},
      {Url("/push?status=404") + " --seconds 20",
       "vexilonctl snapshot: Not found on the camera (404)\n"},
      {"http://" + closed + "/video", "vexilonctl snapshot: could not connect to " + closed + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Arguments);
    const auto start = std::chrono::steady_clock::now();
    const TCommandRun run = Snapshot(c.Arguments);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, c.Err);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.jpg")));
  }
  EXPECT_EQ(RunCommand(std::string(VEXILONCTL_PATH) + " snapshot").ExitCode, 2);
}

}  // namespace
}  // namespace vexilon
