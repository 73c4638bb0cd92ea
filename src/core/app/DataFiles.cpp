#include "core/app/DataFiles.h"

#include <sys/stat.h>

#include <filesystem>

namespace vexilon {
namespace {

namespace fs = std::filesystem;

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutableOrOwn(const std::string& executable) {
  if (!executable.empty()) return executable;
  std::error_code error;
  const fs::path own = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : own.string();
}

// <prefix> of <prefix>/bin/program.
fs::path PrefixOf(const std::string& executable) {
  return fs::path(executable).parent_path().parent_path();
}

}  // namespace

bool InstalledExecutable(const std::string& executable) {
  const std::string program = ExecutableOrOwn(executable);
  if (program.empty()) return false;
  std::error_code error;
  return fs::is_directory(PrefixOf(program) / "share/vexilon", error);
}

std::string ProgramDataFile(const std::string& installedPath, const std::string& sourcePath,
                            const std::string& executable) {
  const std::string program = ExecutableOrOwn(executable);
  if (!program.empty()) {
    const std::string installed = (PrefixOf(program) / installedPath).string();
    if (IsFile(installed)) return installed;
  }
  if (sourcePath.empty()) return std::string();
  const std::string source = std::string(VEXILON_SOURCE_DIR) + "/" + sourcePath;
  return IsFile(source) ? source : std::string();
}

}  // namespace vexilon
