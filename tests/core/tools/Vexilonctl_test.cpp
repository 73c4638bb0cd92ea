// What every vexilonctl command shares: the version, help, usage errors and missing files.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "Version.h"
#include "support/Command.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

TCommandRun Ctl(const std::string& arguments) {
  return RunCommand(std::string(VEXILONCTL_PATH) + " " + arguments);
}

TEST(Vexilonctl, VersionHelpAndUsageErrors) {
  const TCommandRun version = Ctl("--version");
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out, "vexilonctl " + std::string(kVersionText) + "\n");
  const struct {
    const char* Command;
    const char* Mentions;  // separated by commas
  } helps[] = {
      {"--help",
       "catalogue list,probe URL,snapshot URL,record URL,vmc extract,picture convert,--version"},
      {"record --help",
       "--delay,--clip,--count,--files,--style,--seconds,--out,--name,"
       "--format,--auth,--proxy-type"},
      {"vmc --help", "info,cut,extract,explode,--frames,--window,--json"},
      {"picture info --help", "convert,--frame"},
      {"probe --help",
       "usage: vexilonctl probe (URL | --entry PATH,--decode,--frames,--proxy,--catalogue,--json"},
      {"snapshot --help", "OUT.jpg,--seconds,--entry,--auth"},
      {"catalogue --help", "list,convert,--json"},
  };
  for (const auto& help : helps) {
    const TCommandRun run = Ctl(help.Command);
    EXPECT_EQ(run.ExitCode, 0) << help.Command;
    std::istringstream mentions(help.Mentions);
    for (std::string mention; std::getline(mentions, mention, ',');)
      EXPECT_NE(run.Out.find(mention), std::string::npos) << help.Command << ": " << mention;
  }
  for (const char* arguments : {"", "frobnicate", "catalogue list", "vmc info"}) {
    const TCommandRun run = Ctl(arguments);
    EXPECT_EQ(run.ExitCode, 2) << arguments;
    EXPECT_EQ(run.Out, "") << arguments;
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << arguments << run.Err;
  }
  EXPECT_EQ(Ctl("frobnicate").Err,
            "vexilonctl: unknown command 'frobnicate' (see vexilonctl --help)\n");
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
