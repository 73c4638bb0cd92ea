// What every vexilonctl command shares: the version, usage errors and missing files.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Version.h"
#include "support/Command.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

TCommandRun Ctl(const std::string& arguments) {
  return RunCommand(std::string(VEXILONCTL_PATH) + " " + arguments);
}

TEST(Vexilonctl, VersionAndUsageErrors) {
  const TCommandRun version = Ctl("--version");
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out, "vexilonctl " + std::string(kVersionText) + "\n");
  for (const char* arguments : {"", "frobnicate", "catalogue list", "vmc info"}) {
    const TCommandRun run = Ctl(arguments);
    EXPECT_EQ(run.ExitCode, 2) << arguments;
    EXPECT_EQ(run.Out, "") << arguments;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << arguments << run.Err;
  }
}

TEST(Vexilonctl, AMissingFileIsCalledMissing) {
  TTempDir dir;
  const std::string missing = dir.File("gone");
  for (const std::string arguments :
       {"catalogue list", "catalogue convert", "vmc info", "vmc cut", "picture info"}) {
    std::string line = arguments + " '" + missing + "'";
    if (arguments == "catalogue convert") line += " '" + dir.File("out.vxc") + "'";
    if (arguments == "vmc cut") line += " 1 1";
    const TCommandRun run = Ctl(line);
    EXPECT_EQ(run.ExitCode, 1) << line;
    EXPECT_EQ(run.Err, "vexilonctl: no such file: " + missing + "\n") << line;
  }
}

}  // namespace
}  // namespace vexilon
