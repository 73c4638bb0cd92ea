#include "core/catalogue/VersionFile.h"

namespace vexilon {

namespace {

std::uint32_t Get32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

}  // namespace

bool ParseVersionFile(std::string_view bytes, TVersionFile& version) {
  if (bytes.size() < kPublishedHeaderSize) return false;
  const std::uint64_t skipped = Get32(bytes, 24);
  // In 64 bits, so that no skip length can wrap the offset of the size field.
  const std::uint64_t sizeAt = kPublishedHeaderSize + skipped;
  if (sizeAt + 4 > bytes.size()) return false;
  version.Serial = Get32(bytes, 4);
  version.Time = ParseSystemTime(bytes.substr(8, 16));
  version.Size = Get32(bytes, static_cast<std::size_t>(sizeAt));
  return true;
}

}  // namespace vexilon
