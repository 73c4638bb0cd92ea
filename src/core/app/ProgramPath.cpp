#include "core/app/ProgramPath.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "core/app/AtomicFile.h"
#include "core/app/DataFiles.h"

namespace vexilon {

namespace fs = std::filesystem;

namespace {

std::mutex gFolderLock;
std::string gProgramFolder;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// An absolute, lexically clean path without a trailing slash (the root keeps its own).
std::string Absolute(const std::string& path) {
  std::error_code ignored;
  std::string result = fs::absolute(path, ignored).lexically_normal().string();
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

std::string OwnExecutable() {
  std::error_code error;
  fs::path target = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : target.string();
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir != nullptr)
    return found->pw_dir;
  return fs::temp_directory_path().string();
}

// $XDG_DATA_HOME counts only when absolute; a relative value is to be ignored.
std::string UserDataFolder() {
  std::string data = Environment("XDG_DATA_HOME");
  if (data.empty() || data.front() != '/') data = HomeFolder() + "/.local/share";
  return data + "/vexilon";
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Creates every folder named before a slash of path, one level at a time. Only rooted paths:
// a path kept as given (one with a ":") must not sprout folders in the current directory.
void CreateFoldersOnTheWay(const std::string& path) {
  if (path.empty() || path.front() != '/') return;
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (path[slash - 1] == '/') continue;
    ::mkdir(path.substr(0, slash).c_str(), 0777);
  }
}

std::string CopyError(const std::string& source, const std::string& target, const char* reason) {
  return "Cannot copy " + source + " to " + target + ": " + reason;
}

}  // namespace

std::string DetermineProgramFolder(const std::string& executablePath) {
  std::string folder = Environment("VEXILON_HOME");
  if (folder.empty()) {
    // A bare program name was found through PATH, so only the kernel knows where it lies.
    std::string executable =
        executablePath.find('/') == std::string::npos ? OwnExecutable() : Absolute(executablePath);
    std::string beside =
        executable.empty() ? std::string() : fs::path(executable).parent_path().string();
    // An installed viewer never writes beside itself, even where it could (as root can).
    if (!beside.empty() && ::access(beside.c_str(), W_OK | X_OK) == 0 &&
        !InstalledExecutable(executable))
      folder = beside;
    else
      folder = UserDataFolder();
  }
  folder = Absolute(folder);
  std::error_code ignored;  // a folder that cannot be made shows up at the first write
  fs::create_directories(folder, ignored);
  return folder;
}

void SetProgramFolder(const std::string& folder) {
  std::lock_guard lock(gFolderLock);
  gProgramFolder = Absolute(folder);
}

const std::string& ProgramFolder() {
  std::lock_guard lock(gFolderLock);
  if (gProgramFolder.empty()) gProgramFolder = DetermineProgramFolder("");
  return gProgramFolder;
}

std::string ExpandProgramPath(const std::string& path) {
  if (path.empty()) return path;
  std::string result = path;
  for (char& c : result)
    if (c == '\\') c = '/';
  bool dotted = result.starts_with("./");
  if (dotted || (result.front() != '/' && result.find(':') == std::string::npos)) {
    std::string folder = ProgramFolder();
    if (folder.back() != '/') folder += '/';
    result = folder + result.substr(dotted ? 2 : 0);
  }
  if (!PathExists(result)) CreateFoldersOnTheWay(result);
  return result;
}

void CopyFileWithTimes(const std::string& source, const std::string& target) {
  // The times are taken before reading, which may itself touch the access time.
  struct stat st {};
  if (::stat(source.c_str(), &st) != 0)
    throw EFileWrite(CopyError(source, target, std::strerror(errno)));
  if (!S_ISREG(st.st_mode)) throw EFileWrite(CopyError(source, target, "not a regular file"));
  std::string content;
  if (!ReadWholeFile(source, content))
    throw EFileWrite(CopyError(source, target, "cannot be read"));
  WriteFileAtomically(target, content);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (::utimensat(AT_FDCWD, target.c_str(), times, 0) != 0)
    throw EFileWrite("Cannot set the file times of " + target + ": " + std::strerror(errno));
}

}  // namespace vexilon
