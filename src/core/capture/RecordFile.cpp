#include "core/capture/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/capture/MultiCaptureFile.h"

namespace vexilon {

TRecordFile::TRecordFile(const std::string& path) : FPath(path) {
  // Non-blocking, so that a named pipe given for a file cannot hold the open.
  FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (FFd < 0) throw EMultiCaptureRead("Cannot open " + path + ": " + std::strerror(errno));
  struct stat info {};
  if (::fstat(FFd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(FFd);
    throw EMultiCaptureRead("Cannot open " + path + ": not a regular file");
  }
  FSize = info.st_size;
}

TRecordFile::~TRecordFile() {
  ::close(FFd);
}

bool TRecordFile::ReadAt(std::int64_t offset, void* data, std::size_t size) const {
  if (offset < 0 || offset > FSize || std::int64_t(size) > FSize - offset) return false;
  auto* out = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = ::pread(FFd, out, size, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // an error, or the file shrank since it was opened
    out += got;
    offset += got;
    size -= std::size_t(got);
  }
  return true;
}

std::optional<std::int32_t> TRecordFile::Int32At(std::int64_t offset) const {
  unsigned char bytes[4];
  if (!ReadAt(offset, bytes, sizeof bytes)) return std::nullopt;
  return LoadInt32(bytes);
}

std::optional<std::int32_t> TRecordFile::LengthAt(std::int64_t offset,
                                                  std::int32_t minLength) const {
  const std::optional<std::int32_t> length = Int32At(offset);
  if (!length || *length < minLength || *length > FSize - offset) return std::nullopt;
  return length;
}

std::int32_t LoadInt32(const void* bytes) {
  const auto* b = static_cast<const unsigned char*>(bytes);
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = bits << 8 | b[i];
  return std::int32_t(bits);
}

void StoreInt32(void* bytes, std::int32_t value) {
  auto* b = static_cast<unsigned char*>(bytes);
  const auto bits = std::uint32_t(value);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>((bits >> (8 * i)) & 0xff);
}

}  // namespace vexilon
