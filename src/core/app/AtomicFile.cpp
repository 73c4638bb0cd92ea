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

// Writes all of size bytes; answers 0 or the error.
int WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

// Copies from into a temporary file beside to and renames it over to, in slices, so that a
// large file never has to fit in memory. False (nothing changed) when from does not exist.
bool CopyFileAtomically(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    if (errno == ENOENT) return false;
    throw EFileWrite("Cannot read " + from + ": " + std::strerror(errno));
  }
  std::string temp = to + ".tmpXXXXXX";
  int out = ::mkstemp(temp.data());
  if (out < 0) {
    int error = errno;
    ::close(in);
    throw EFileWrite(ErrorText(to, error));
  }
  int error = 0;
  char buffer[64 * 1024];
  for (;;) {
    ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = errno;
    if (got <= 0) break;
    error = WriteAll(out, buffer, static_cast<std::size_t>(got));
    if (error != 0) break;
  }
  ::close(in);
  if (error == 0 && ::fchmod(out, ModeFor(from)) != 0) error = errno;
  if (error == 0 && ::fsync(out) != 0) error = errno;
  if (::close(out) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), to.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    throw EFileWrite(ErrorText(to, error));
  }
  return true;
}

}  // namespace

void ReplaceFileKeepingBackup(const std::string& path, const std::string& backup,
                              std::string_view content) {
  if (backup != path) CopyFileAtomically(path, backup);
  WriteFileAtomically(path, content);
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  std::string temp = path + ".tmpXXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) throw EFileWrite(ErrorText(path, errno));
  int error = 0;
  error = WriteAll(fd, content.data(), content.size());
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
