#pragma once
#include <string>

namespace vexilon {

// Files that come with the program (the starting catalogue, the manual): an installed viewer
// finds them below the prefix it runs from, a viewer run from its build folder in the source
// tree. Answers the first of <prefix>/installedPath and <source tree>/sourcePath that exists,
// or an empty string; an empty sourcePath is never looked for. executable: the program's path;
// empty means this process's own.
std::string ProgramDataFile(const std::string& installedPath, const std::string& sourcePath,
                            const std::string& executable = std::string());

// Whether executable lies in an installed prefix: <prefix>/bin beside <prefix>/share/vexilon.
bool InstalledExecutable(const std::string& executable);

}  // namespace vexilon
