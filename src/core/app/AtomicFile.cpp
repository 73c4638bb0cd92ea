#include "core/app/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace vexilon {

namespace {

std::string ErrorText(const std::string& path, int error) {
  return "Cannot write " + path + ": " + std::strerror(error);
}

// The mode an existing file has, so that replacing it keeps its permissions.
mode_t ModeFor(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
  return 0666;
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view content) {
  std::string temp = path + ".tmpXXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) throw EFileWrite(ErrorText(path, errno));
  int error = 0;
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0 && error == 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno != EINTR) error = errno;
      continue;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  // mkstemp creates 0600; honour the umask like an ordinary file creation would.
  mode_t mask = ::umask(0);
  ::umask(mask);
  if (error == 0 && ::fchmod(fd, ModeFor(path) & ~mask) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    throw EFileWrite(ErrorText(path, error));
  }
}

bool ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0 || static_cast<unsigned long long>(size) > maxBytes) return false;
  in.seekg(0, std::ios::beg);
  content.resize(static_cast<std::size_t>(size));
  in.read(content.data(), size);
  content.resize(static_cast<std::size_t>(in.gcount()));
  return true;
}

}  // namespace vexilon
