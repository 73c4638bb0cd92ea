#pragma once
#include <string>

namespace vexilon {

// The folder that holds the configuration, catalogue, favorites, desktops, captures and logs:
// $VEXILON_HOME when set, else the executable's folder when it is writable and not an installed
// prefix's bin folder, else $XDG_DATA_HOME/vexilon (default ~/.local/share/vexilon). The folder is
// made absolute and created when missing; an empty executablePath means this process's own
// executable.
std::string DetermineProgramFolder(const std::string& executablePath);

// Sets the folder that ExpandProgramPath resolves against. Call it at start-up, before any
// thread runs; tests call it to work in a folder of their own.
void SetProgramFolder(const std::string& folder);

// The folder last set; determined from this executable on first use when none was set.
const std::string& ProgramFolder();

// Resolves a stored or built path against the program folder: "./x", ".\x" and any path that
// neither begins with "/" or "\" nor contains ":" lie in the program folder; others are kept.
// Backslashes become slashes. When the result does not exist, the folders on the way to it are
// created (errors ignored), so a caller can create the file at once.
std::string ExpandProgramPath(const std::string& path);

// Copies source byte for byte into target (replacing it atomically) and gives target the
// access and modification times of source. Throws EFileWrite naming the file that failed.
void CopyFileWithTimes(const std::string& source, const std::string& target);

}  // namespace vexilon
