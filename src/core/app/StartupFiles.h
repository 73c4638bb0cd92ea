#pragma once
#include <string>

namespace vexilon {

// First start: when ./Vexilon.vxc is missing, copies the starting catalogue over with its file
// times: ./VXInst.vxc when an installer put one there, else the one that came with the program.
// Answers whether it copied; throws EFileWrite when the copy fails.
bool InstallStartingCatalogue();

// The connection file to load at start: the /C switch's value, else ./Vexilon.vxp when it
// exists, else ./Vexilon.vxc (resolved in the program folder).
std::string StartupConnectionFile();

}  // namespace vexilon
