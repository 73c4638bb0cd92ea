#pragma once
#include <cstdint>
#include <string_view>

#include "core/catalogue/PublishedFile.h"

namespace vexilon {

// The small file published beside a published connection file, announcing its latest edition:
// the header of that edition (magic unchecked, serial, time, an extension block to skip) and
// then the size in bytes of the file to download.
struct TVersionFile {
  std::uint32_t Serial = 0;
  TSystemTime Time;  // UTC
  std::uint32_t Size = 0;
};

// False when bytes are too short for what they announce (the file came from the web: every
// length is checked before it is used).
bool ParseVersionFile(std::string_view bytes, TVersionFile& version);

}  // namespace vexilon
