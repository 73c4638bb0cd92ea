#include "core/capture/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/app/AtomicFile.h"

namespace vexilon {
namespace {

// Follows a link, so that the file it names is replaced rather than the link itself.
std::string ResolvedTarget(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;  // a new file
  std::string target(resolved);
  std::free(resolved);
  return target;
}

}  // namespace

TReplacementFile::TReplacementFile(const std::string& path)
    : FTarget(ResolvedTarget(path)), FTemp(FTarget + ".tmpXXXXXX") {
  FFd = ::mkostemp(FTemp.data(), O_CLOEXEC);
  if (FFd < 0) Fail(errno);
}

TReplacementFile::~TReplacementFile() {
  if (FFd >= 0) ::close(FFd);
  if (!FCommitted) ::unlink(FTemp.c_str());
}

void TReplacementFile::WriteAt(std::int64_t offset, std::string_view data) {
  const char* from = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const ssize_t written = ::pwrite(FFd, from, left, offset);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail(written < 0 ? errno : ENOSPC);
    from += written;
    offset += written;
    left -= std::size_t(written);
  }
}

void TReplacementFile::CopyAt(std::int64_t offset, int sourceFd, std::int64_t sourceOffset,
                              std::int64_t length) {
  // The kernel copies without passing the bytes through here, and shares the blocks on file
  // systems that can.
  bool inKernel = true;
  while (length > 0 && inKernel) {
    loff_t in = sourceOffset, out = offset;
    const ssize_t copied = ::copy_file_range(
        sourceFd, &in, FFd, &out, std::size_t(std::min<std::int64_t>(length, INT_MAX / 2)), 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                       errno == EOPNOTSUPP || errno == EPERM)) {
      inKernel = false;
      break;
    }
    if (copied < 0) Fail(errno);
    if (copied == 0) Fail(EIO);  // the source ended before the bytes it was measured to hold
    sourceOffset += copied;
    offset += copied;
    length -= copied;
  }
  std::vector<char> buffer(std::size_t(std::min<std::int64_t>(length, 1 << 20)));
  while (length > 0) {
    const ssize_t got = ::pread(sourceFd, buffer.data(),
                                std::size_t(std::min<std::int64_t>(length, 1 << 20)), sourceOffset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) Fail(got < 0 ? errno : EIO);
    WriteAt(offset, std::string_view(buffer.data(), std::size_t(got)));
    sourceOffset += got;
    offset += got;
    length -= got;
  }
}

void TReplacementFile::Commit() {
  // mkostemp creates 0600; the result gets the old file's permissions, or a new file's.
  mode_t mode = 0666;
  struct stat old {};
  if (::stat(FTarget.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  if (::fchmod(FFd, mode) != 0 || ::fsync(FFd) != 0) Fail(errno);
  const int fd = FFd;
  FFd = -1;
  if (::close(fd) != 0) Fail(errno);
  if (::rename(FTemp.c_str(), FTarget.c_str()) != 0) Fail(errno);
  FCommitted = true;
}

void TReplacementFile::Fail(int error) const {
  throw EFileWrite("Cannot write " + FTarget + ": " + std::strerror(error));
}

}  // namespace vexilon
