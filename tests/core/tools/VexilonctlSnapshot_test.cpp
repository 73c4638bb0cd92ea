// vexilonctl snapshot against camsim: one picture of a camera, or one line saying why not.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "support/CamSim.h"
#include "support/CatalogueSamples.h"
#include "support/Command.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

class VexilonctlSnapshot : public TCamSimTest {
 protected:
  TCommandRun Snapshot(const std::string& arguments) {
    return RunCommand(std::string(VEXILONCTL_PATH) + " snapshot " + arguments + " '" +
                      dir.File("out.jpg") + "'");
  }
  static std::string Url(const std::string& target) {
    return "'http://127.0.0.1:" + std::to_string(Port()) + target + "'";
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
