#include <gtest/gtest.h>

#include <string>

#include "core/catalogue/CommaText.h"
#include "support/CatalogueSamples.h"
#include "support/Command.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

class VexilonctlCatalogue : public ::testing::Test {
 protected:
  // Runs vexilonctl with command and the given files of the test's folder.
  TCommandRun Ctl(const std::string& command, const std::string& file = "",
                  const std::string& target = "") {
    std::string line = std::string(VEXILONCTL_PATH) + " " + command;
    for (const std::string& name : {file, target})
      if (!name.empty()) line += " '" + dir.File(name) + "'";
    return RunCommand(line);
  }
  void SetUp() override { WriteBytes(dir.File("a.vxc"), kSampleCatalogue); }

  TTempDir dir;
};

TEST_F(VexilonctlCatalogue, ListsEveryNodeDepthFirstAsTextOrJsonLines) {
  // Depth, kind and path of each line of the sample, which then follows as it is.
  const char* const columns[] = {"0\tROOT\t\t", "1\tGROUP\tCity\t", "2\tGROUP\tCity:Shop\t",
                                 "3\tITEM\tCity:Shop:Lobby\t", "1\tITEM\tCar Park\t"};
  std::vector<std::string> lines = SplitLines(kSampleCatalogue);
  std::string expected;
  for (std::size_t i = 0; i < std::size(columns); ++i)
    expected += columns[i] + lines[i + 1].substr(lines[i + 1].find_first_not_of(':')) + "\n";
  TCommandRun run = Ctl("catalogue list", "a.vxc");
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Out, expected);

  // The same fields as JSON; the group headers' quotes are escaped.
  run = Ctl("catalogue list --json", "a.vxc");
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(SplitLines(run.Out).size(), std::size(columns)) << run.Out;
  EXPECT_TRUE(run.Out.starts_with(
      R"({"depth":0,"kind":"ROOT","path":"","record":"TYPE=ROOT NAME=Cameras AUTOUPDATE=)"))
      << run.Out;
  for (const char* fields :
       {R"({"depth":2,"kind":"GROUP","path":"City:Shop","record":"TYPE=GROUP NAME=Shop AUTH=u:p )",
        R"(HEADERS=\"\"\"X-A: 1\"\"\""}
{"depth":3,"kind":"ITEM","path":"City:Shop:Lobby","record":)",
        R"({"depth":1,"kind":"ITEM","path":"Car Park","record":"TYPE=ITEM NAME=\"Car Park\" )"})
    EXPECT_NE(run.Out.find(fields), std::string::npos) << fields;
}

TEST_F(VexilonctlCatalogue, ConvertsToPublishedAndBackWithoutChange) {
  ASSERT_EQ(Ctl("catalogue convert", "a.vxc", "p.vxp").ExitCode, 0);
  EXPECT_EQ(ReadBytes(dir.File("p.vxp")).substr(0, 4), ".vxp");
  ASSERT_EQ(Ctl("catalogue convert", "p.vxp", "b.vxc").ExitCode, 0);
  TCommandRun original = Ctl("catalogue list", "a.vxc");
  EXPECT_EQ(Ctl("catalogue list", "p.vxp").Out, original.Out);
  EXPECT_EQ(Ctl("catalogue list", "b.vxc").Out, original.Out);
}

TEST_F(VexilonctlCatalogue, WarnsWhenPublishedEntriesAreLeftOut) {
  WriteBytes(dir.File("a.vxc"), kSampleCatalogue + (":" + ItemLine("Hidden", 256) + "\r\n"));
  TCommandRun run = Ctl("catalogue convert", "a.vxc", "out.vxc");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Err, "Warning: Published entries were not exported.\n");
  EXPECT_EQ(ReadBytes(dir.File("out.vxc")), kSampleCatalogue);
}

TEST_F(VexilonctlCatalogue, RejectsFilesThatAreNotConnectionFiles) {
  WriteBytes(dir.File("bad.vxc"), "Not a catalogue\r\n");
  TCommandRun run = Ctl("catalogue list", "bad.vxc");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "Not a valid Vexilon data file\n");
}

}  // namespace
}  // namespace vexilon
