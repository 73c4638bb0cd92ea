#include "core/app/ScreenGrid.h"

#include <gtest/gtest.h>

#include "core/app/Switches.h"

namespace vexilon {
namespace {

struct TGridCase {
  std::vector<std::string> Parameters;
  int Columns;
  int Rows;
};

void PrintTo(const TGridCase& c, std::ostream* out) {
  for (const std::string& parameter : c.Parameters) *out << parameter << ' ';
}

class ScreenGridParse : public ::testing::TestWithParam<TGridCase> {};

TEST_P(ScreenGridParse, ReadsColumnsAndRows) {
  const TGridCase& c = GetParam();
  TScreenGrid grid = ParseScreenGrid(c.Parameters);
  EXPECT_EQ(grid.Columns, c.Columns);
  EXPECT_EQ(grid.Rows, c.Rows);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ScreenGridParse,
    ::testing::Values(TGridCase{{}, 1, 1}, TGridCase{{"/ARRAY=3,2"}, 3, 2},
                      TGridCase{{"/NOWEB", "/array=4"}, 4, 1}, TGridCase{{"/ARRAY=3,"}, 3, 1},
                      TGridCase{{"/ARRAY=,3"}, 1, 3}, TGridCase{{"/ARRAY=+2,+2"}, 2, 2},
                      // Counts below one or not numbers leave one cell.
                      TGridCase{{"/ARRAY=0,-2"}, 1, 1}, TGridCase{{"/ARRAY=x,5"}, 1, 5},
                      TGridCase{{"/ARRAY=2,3,4"}, 2, 1}, TGridCase{{"/ARRAY= 2,3"}, 1, 3},
                      TGridCase{{"/ARRAY=99999999999,2"}, 1, 2},
                      // Only the "=" form carries counts, and only the first ARRAY parameter
                      // counts.
                      TGridCase{{"/ARRAY:3,2"}, 1, 1}, TGridCase{{"/ARRAY:a=3,2"}, 3, 2},
                      TGridCase{{"/ARRAY:1", "/ARRAY=3,3"}, 1, 1},
                      TGridCase{{"/ARRAYS=3,2", "/ARRAY", "ARRAY=3,2"}, 1, 1}));

TEST(ScreenGrid, StartsAsOneCellAndIsSetFromTheCommandLine) {
  TScreenGrid fresh;
  EXPECT_EQ(fresh.Columns, 1);
  EXPECT_EQ(fresh.Rows, 1);
  EXPECT_EQ(fresh.Spare1, 2.0);
  EXPECT_EQ(fresh.Spare2, 0.5);
  SetCommandLine({"/ARRAY=2,4"});
  SetupScreenGrid();
  EXPECT_EQ(ScreenGrid().Columns, 2);
  EXPECT_EQ(ScreenGrid().Rows, 4);
  SetCommandLine({});
  SetupScreenGrid();
  EXPECT_EQ(ScreenGrid().Columns, 1);
}

TEST(ScreenGrid, CentresInTopLeftCellTruncatingTowardZero) {
  TScreenGrid grid;
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
  grid = TScreenGrid{};
  p = CentreInScreenGrid(grid, 1024, 768, 200, 100);
  EXPECT_EQ(p.Left, 412);
  EXPECT_EQ(p.Top, 334);
}

}  // namespace
}  // namespace vexilon
