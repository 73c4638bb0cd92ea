#pragma once
#include <string>

namespace vexilon {

// First start: when ./Vexilon.vxc is missing but the installer's ./VXInst.vxc exists, copies
// it over with its file times. Answers whether it copied; throws EFileWrite when the copy fails.
bool InstallStartingCatalogue();

// The connection file to load at start: the /C switch's value, else ./Vexilon.vxp when it
// exists, else ./Vexilon.vxc (resolved in the program folder).
std::string StartupConnectionFile();

}  // namespace vexilon
