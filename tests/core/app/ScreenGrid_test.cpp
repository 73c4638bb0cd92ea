#include "core/app/ScreenGrid.h"

#include <gtest/gtest.h>

#include "core/app/Switches.h"

namespace vexilon {
namespace {

TEST(ScreenGrid, ReadsColumnsAndRowsFromTheCommandLine) {
  struct Case {
    std::vector<std::string> parameters;
    int columns, rows;
  } cases[] = {
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
  for (const Case& c : cases) {
    SetCommandLine(c.parameters);
    SetupScreenGrid();
    EXPECT_EQ(ScreenGrid().Columns, c.columns) << ::testing::PrintToString(c.parameters);
    EXPECT_EQ(ScreenGrid().Rows, c.rows) << ::testing::PrintToString(c.parameters);
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
