#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vexilon {

// A screen divided into Columns x Rows equal cells; dialogs centre themselves in the top-left
// cell, so that a wall of screens can show them on the first one. The record keeps its
// 24-byte layout; the two trailing values are carried for companions and never read here.
struct TScreenGrid {
  std::int32_t Columns = 1;
  std::int32_t Rows = 1;
  double Spare1 = 2.0;
  double Spare2 = 0.5;
};
static_assert(sizeof(TScreenGrid) == 24);

struct TDialogPosition {
  int Left = 0;
  int Top = 0;
};

// The grid described by the first "/ARRAY=columns,rows" parameter (the name in any case);
// a count that is missing, not a number or below 1 stays 1.
TScreenGrid ParseScreenGrid(const std::vector<std::string>& parameters);

// Sets the process's grid from the stored command line; run once at start, before any window.
void SetupScreenGrid();

// The process's grid.
TScreenGrid& ScreenGrid();

// Where a dialog of the given size goes so that it is centred in the grid's top-left cell.
TDialogPosition CentreInScreenGrid(const TScreenGrid& grid, int screenWidth, int screenHeight,
                                   int dialogWidth, int dialogHeight);

}  // namespace vexilon
