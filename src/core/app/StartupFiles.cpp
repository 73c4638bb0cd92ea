#include "core/app/StartupFiles.h"

#include <sys/stat.h>

#include "core/app/DataFiles.h"
#include "core/app/ProgramPath.h"
#include "core/app/Switches.h"

namespace vexilon {

namespace {

// A file, not a folder of that name.
bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace

bool InstallStartingCatalogue() {
  std::string catalogue = ExpandProgramPath("./Vexilon.vxc");
  if (FileExists(catalogue)) return false;
  // A copy in the program folder wins over the one installed with the program; a viewer run
  // from its build folder has only the former.
  std::string installed = ExpandProgramPath("./VXInst.vxc");
  if (!FileExists(installed)) installed = ProgramDataFile("share/vexilon/VXInst.vxc", "");
  if (installed.empty()) return false;
  CopyFileWithTimes(installed, catalogue);
  return true;
}

std::string StartupConnectionFile() {
  std::string file = SwitchValue("C");
  if (!file.empty()) return file;
  std::string published = ExpandProgramPath("./Vexilon.vxp");
  if (FileExists(published)) return published;
  return ExpandProgramPath("./Vexilon.vxc");
}

}  // namespace vexilon
