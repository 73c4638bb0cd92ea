#include "core/app/StartupFiles.h"

#include <sys/stat.h>

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
  std::string installed = ExpandProgramPath("./VXInst.vxc");
  if (!FileExists(installed)) return false;
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
