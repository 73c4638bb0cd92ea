#include "core/app/Switches.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "core/app/AtomicFile.h"
#include "core/app/ScreenGrid.h"
#include "core/app/TerminalAnswer.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

TEST(Switches, ReadsBothForms) {
  const std::tuple<std::vector<std::string>, const char*, bool, const char*> cases[] = {
      // Both separators; the value runs from the first separator, so a drive colon stays.
      {{"/c:D:\\cams\\x.vxc"}, "C", false, "D:\\cams\\x.vxc"},
      {{"/C=D:\\x.vxc"}, "C", false, "D:\\x.vxc"},
      {{"/P:a=b"}, "p", false, "a=b"},
      {{"/D=a:b"}, "D", false, "a:b"},
      {{"/C="}, "C", false, ""},
      // A switch alone is a flag and an empty value.
      {{"/C"}, "C", true, ""},
      {{"/NOWEB", "/Debug"}, "debug", true, ""},
      // A longer name is another switch; a flag with a value attached is no flag.
      {{"/CX=a"}, "C", false, ""},
      {{"/CX=a"}, "CX", false, "a"},
      {{"/NTX"}, "NT", false, ""},
      {{"/DEBUG=1"}, "DEBUG", false, "1"},
      // The first matching parameter wins, and one that is alone matches.
      {{"/C=first", "/C=second"}, "C", false, "first"},
      {{"/CX=1", "/C=2"}, "C", false, "2"},
      {{"/C", "/C=x"}, "C", true, ""},
      // Without the slash, or with a file path that merely begins like a switch.
      {{"C=x", "-C=x"}, "C", false, ""},
      {{"/Cameras/x.vxc"}, "C", false, ""},
      {{}, "C", false, ""},
      {{"/"}, "C", false, ""},
  };
  for (const auto& [parameters, name, present, value] : cases) {
    SetCommandLine(parameters);
    EXPECT_EQ(SwitchPresent(name), present) << ::testing::PrintToString(parameters);
    EXPECT_EQ(SwitchValue(name), value) << ::testing::PrintToString(parameters);
  }
  SetCommandLine({});
}

TEST(Switches, FilesRelativeToTheWorkingFolderBecomeAbsoluteBeforeTheyTravel) {
  TTempDir dir;
  std::filesystem::create_directories(dir.File("cams"));
  for (const char* name : {"rec.vmc", "cams/a.vxd", "x.vxc"})
    WriteFileAtomically(dir.File(name), "");
  // Each row: a parameter as given, and as it travels.
  const std::pair<std::string, std::string> rows[] = {
      {"/p=rec.vmc", "/p=" + dir.File("rec.vmc")},
      {"/D:./cams/../cams/a.vxd", "/D:" + dir.File("cams/a.vxd")},
      {"/C=x.vxc", "/C=" + dir.File("x.vxc")},
      {"/C=gone.vxc", "/C=gone.vxc"},  // left to the program folder
      {"/D=/abs.vxd", "/D=/abs.vxd"},
      {"/X=rec.vmc", "/X=rec.vmc"},
      {"/P", "/P"},
      {"/NOWEB", "/NOWEB"},
      {"/P=cams", "/P=cams"},                          // a folder
      {"cams/a.vxd", "/D=" + dir.File("cams/a.vxd")},  // alone, as launchers pass files
      {dir.File("rec.vmc"), "/P=" + dir.File("rec.vmc")},
      {"gone.vmc", "gone.vmc"}};
  for (const auto& [given, travels] : rows)
    EXPECT_EQ(WithAbsoluteFileSwitches({given}, dir.Path()), std::vector{travels}) << given;
}

TEST(Switches, HelpAndVersionAreAnsweredOnTheTerminal) {
  EXPECT_NE(TerminalAnswer({"--help"})->find("/P=FILE"), std::string::npos);
  EXPECT_EQ(TerminalAnswer({"/NOWEB", "-h"}), TerminalAnswer({"--help"}));
  EXPECT_EQ(TerminalAnswer({"--version"})->rfind("vexilon ", 0), 0u);
  EXPECT_FALSE(TerminalAnswer({"/NOWEB", "/help", "rec.vmc"}));
}

TEST(ScreenGrid, ReadsColumnsAndRowsFromTheCommandLine) {
  const std::tuple<std::vector<std::string>, int, int> cases[] = {
      {{}, 1, 1},
      {{"/ARRAY=3,2"}, 3, 2},
      {{"/NOWEB", "/array=4"}, 4, 1},
      {{"/ARRAY=3,"}, 3, 1},
      {{"/ARRAY=,3"}, 1, 3},
      {{"/ARRAY=+2,+2"}, 2, 2},
      // Counts below one or not numbers leave one cell.
      {{"/ARRAY=0,-2"}, 1, 1},
      {{"/ARRAY=x,5"}, 1, 5},
      {{"/ARRAY=2,3,4"}, 2, 1},
      {{"/ARRAY= 2,3"}, 1, 3},
      {{"/ARRAY=99999999999,2"}, 1, 2},
      // Only the "=" form carries counts, and only the first ARRAY parameter counts.
      {{"/ARRAY:3,2"}, 1, 1},
      {{"/ARRAY:a=3,2"}, 3, 2},
      {{"/ARRAY:1", "/ARRAY=3,3"}, 1, 1},
      {{"/ARRAYS=3,2", "/ARRAY", "ARRAY=3,2"}, 1, 1},
  };
  for (const auto& [parameters, columns, rows] : cases) {
    SetCommandLine(parameters);
    SetupScreenGrid();
    EXPECT_EQ(ScreenGrid().Columns, columns) << ::testing::PrintToString(parameters);
    EXPECT_EQ(ScreenGrid().Rows, rows) << ::testing::PrintToString(parameters);
  }
  SetCommandLine({});
  ScreenGrid() = TScreenGrid();
}

TEST(ScreenGrid, CentresInTopLeftCellTruncatingTowardZero) {
  TScreenGrid grid;
  EXPECT_EQ(CentreInScreenGrid(grid, 1024, 768, 200, 100).Left, 412);
  grid.Columns = 2;
  grid.Rows = 2;
  TDialogPosition p = CentreInScreenGrid(grid, 1920, 1080, 300, 200);
  EXPECT_EQ(p.Left, 330);
  EXPECT_EQ(p.Top, 170);
  // 1001 div 2 = 500; (500 - 301) div 2 = 99.
  EXPECT_EQ(CentreInScreenGrid(grid, 1001, 1001, 301, 301).Left, 99);
  // A dialog wider than its cell: -67 div 2 is -33, not -34.
  grid.Columns = 3;
  EXPECT_EQ(CentreInScreenGrid(grid, 1000, 1000, 400, 100).Left, -33);
}

}  // namespace
}  // namespace vexilon
