#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vexilon {

// What the viewer prints on the terminal instead of opening a window: its switches for
// --help (or -h), its version for --version. Nothing for any other command line.
std::optional<std::string> TerminalAnswer(const std::vector<std::string>& parameters);

}  // namespace vexilon
