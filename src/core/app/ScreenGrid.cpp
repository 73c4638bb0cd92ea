#include "core/app/ScreenGrid.h"

#include <charconv>
#include <string_view>

#include "core/app/Switches.h"

namespace vexilon {

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// "/ARRAY" followed by "=" or ":", in any case.
bool IsArrayParameter(const std::string& parameter) {
  static constexpr std::string_view kName = "/ARRAY";
  if (parameter.size() <= kName.size()) return false;
  for (std::size_t i = 0; i < kName.size(); ++i)
    if (Upper(parameter[i]) != kName[i]) return false;
  char next = parameter[kName.size()];
  return next == '=' || next == ':';
}

// A decimal count filling the whole text; the grid needs at least one cell each way.
std::int32_t CountOrOne(std::string_view text) {
  std::int32_t value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last || value < 1) return 1;
  return value;
}

// Screen and dialog sizes come from the window system; wide arithmetic keeps extreme values
// from overflowing.
int Centre(int screen, std::int32_t cells, int dialog) {
  long long cell = static_cast<long long>(screen) / (cells < 1 ? 1 : cells);
  return static_cast<int>((cell - dialog) / 2);
}

}  // namespace

TScreenGrid ParseScreenGrid(const std::vector<std::string>& parameters) {
  TScreenGrid grid;
  for (const std::string& parameter : parameters) {
    if (!IsArrayParameter(parameter)) continue;
    // Only the "=" form carries the counts; everything up to the first "=" goes.
    std::size_t equals = parameter.find('=');
    if (equals == std::string::npos) break;
    std::string_view text = std::string_view(parameter).substr(equals + 1);
    std::size_t comma = text.find(',');
    grid.Columns = CountOrOne(text.substr(0, comma));
    if (comma != std::string_view::npos && comma + 1 < text.size())
      grid.Rows = CountOrOne(text.substr(comma + 1));
    break;
  }
  return grid;
}

void SetupScreenGrid() {
  ScreenGrid() = ParseScreenGrid(CommandLine());
}

TScreenGrid& ScreenGrid() {
  static TScreenGrid grid;
  return grid;
}

TDialogPosition CentreInScreenGrid(const TScreenGrid& grid, int screenWidth, int screenHeight,
                                   int dialogWidth, int dialogHeight) {
  return {Centre(screenWidth, grid.Columns, dialogWidth),
          Centre(screenHeight, grid.Rows, dialogHeight)};
}

}  // namespace vexilon
