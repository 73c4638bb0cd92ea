#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "core/app/AtomicFile.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

struct TRun {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

// Runs vexilonctl with arguments (already shell-quoted) and captures both outputs.
TRun Ctl(const TTempDir& dir, const std::string& arguments) {
  std::string errFile = dir.File("stderr.txt");
  std::string command = std::string(VEXILONCTL_PATH) + " " + arguments + " 2>'" + errFile + "'";
  TRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Out.append(buffer, n);
  int status = ::pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ReadWholeFile(errFile, run.Err);
  return run;
}

const char* kSample =
    "Vexilon Data File\r\n"
    "TYPE=ROOT NAME=Cameras AUTOUPDATE=http://example.test/cams.vxp\r\n"
    ":TYPE=GROUP NAME=City AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=0 SUBGROUP=\"\" HEADERS=\"\"\r\n"
    "::TYPE=GROUP NAME=Shop AUTH=u:p PREFIX=\"\" SUFFIX=\"\" FLAGS=0 SUBGROUP=\"\" "
    "HEADERS=\"\"\"X-A: 1\"\"\"\r\n"
    ":::TYPE=ITEM NAME=Lobby WEB=cam/video.cgi AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" "
    "FLAGS=1 WIDTH=320 HEIGHT=240 INTERVAL=1000\r\n"
    ":TYPE=ITEM NAME=\"Car Park\" WEB=x AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=640 HEIGHT=480 INTERVAL=250 AUDIO=(WEB=a.au AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" "
    "HEADERS=\"\" FLAGS=3)\r\n";

TEST(VexilonctlCatalogue, ListsEveryNodeDepthFirst) {
  TTempDir dir;
  WriteFileAtomically(dir.File("a.vxc"), kSample);
  TRun run = Ctl(dir, "catalogue list '" + dir.File("a.vxc") + "'");
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out,
            "0\tROOT\t\tTYPE=ROOT NAME=Cameras AUTOUPDATE=http://example.test/cams.vxp\n"
            "1\tGROUP\tCity\tTYPE=GROUP NAME=City AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=0 "
            "SUBGROUP=\"\" HEADERS=\"\"\n"
            "2\tGROUP\tCity:Shop\tTYPE=GROUP NAME=Shop AUTH=u:p PREFIX=\"\" SUFFIX=\"\" FLAGS=0 "
            "SUBGROUP=\"\" HEADERS=\"\"\"X-A: 1\"\"\"\n"
            "3\tITEM\tCity:Shop:Lobby\tTYPE=ITEM NAME=Lobby WEB=cam/video.cgi AUTH=\"\" "
            "PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=1 WIDTH=320 HEIGHT=240 INTERVAL=1000\n"
            "1\tITEM\tCar Park\tTYPE=ITEM NAME=\"Car Park\" WEB=x AUTH=\"\" PREFIX=\"\" "
            "SUFFIX=\"\" HEADERS=\"\" FLAGS=0 WIDTH=640 HEIGHT=480 INTERVAL=250 AUDIO=(WEB=a.au "
            "AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=3)\n");
}

TEST(VexilonctlCatalogue, ConvertsToPublishedAndBackWithoutChange) {
  TTempDir dir;
  WriteFileAtomically(dir.File("a.vxc"), kSample);
  std::string a = dir.File("a.vxc"), p = dir.File("p.vxp"), b = dir.File("b.vxc");
  ASSERT_EQ(Ctl(dir, "catalogue convert '" + a + "' '" + p + "'").ExitCode, 0);
  std::string published;
  ASSERT_TRUE(ReadWholeFile(p, published));
  EXPECT_EQ(published.substr(0, 4), ".vxp");
  ASSERT_EQ(Ctl(dir, "catalogue convert '" + p + "' '" + b + "'").ExitCode, 0);
  TRun original = Ctl(dir, "catalogue list '" + a + "'");
  EXPECT_EQ(Ctl(dir, "catalogue list '" + p + "'").Out, original.Out);
  EXPECT_EQ(Ctl(dir, "catalogue list '" + b + "'").Out, original.Out);
}

TEST(VexilonctlCatalogue, WarnsWhenPublishedEntriesAreLeftOut) {
  TTempDir dir;
  std::string text = kSample;
  text +=
      ":TYPE=ITEM NAME=Hidden WEB=h AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" "
      "FLAGS=256 WIDTH=1 HEIGHT=1 INTERVAL=1\r\n";
  WriteFileAtomically(dir.File("a.vxc"), text);
  TRun run =
      Ctl(dir, "catalogue convert '" + dir.File("a.vxc") + "' '" + dir.File("out.vxc") + "'");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Err, "Warning: Published entries were not exported.\n");
  std::string written;
  ASSERT_TRUE(ReadWholeFile(dir.File("out.vxc"), written));
  EXPECT_EQ(written.find("Hidden"), std::string::npos);
}

TEST(VexilonctlCatalogue, RejectsFilesThatAreNotConnectionFiles) {
  TTempDir dir;
  WriteFileAtomically(dir.File("bad.vxc"), "Not a catalogue\r\n");
  for (const std::string& file : {dir.File("bad.vxc"), dir.File("missing.vxc")}) {
    TRun run = Ctl(dir, "catalogue list '" + file + "'");
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "Not a valid Vexilon data file\n");
  }
  EXPECT_EQ(Ctl(dir, "catalogue list").ExitCode, 2);
  EXPECT_EQ(Ctl(dir, "frobnicate").ExitCode, 2);
}

}  // namespace
}  // namespace vexilon
