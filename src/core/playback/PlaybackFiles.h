#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexilon {

// The multi-capture files (*.vmc) in folder, by name without the folder, sorted with letter
// case ignored; of names that differ only in letter case the first is kept. Missing or
// unreadable folders have none.
std::vector<std::string> MultiCaptureFilesIn(const std::string& folder);

// The name after (forward) or before current in names, letter case ignored; a current name that
// is not listed stands before the first. None at the end or the start of the list.
std::optional<std::string> NeighbourFile(const std::vector<std::string>& names,
                                         std::string_view current, bool forward);

}  // namespace vexilon
