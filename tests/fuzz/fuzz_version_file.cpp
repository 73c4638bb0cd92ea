// Feeds arbitrary bytes to the version-file reader, and whatever time it reads to the local-time
// conversion and the prompt's formatting, as an update check does with a file from the web.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/catalogue/PublicationTime.h"
#include "core/catalogue/VersionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexilon;
  TVersionFile version;
  if (!ParseVersionFile(std::string_view(reinterpret_cast<const char*>(data), size), version))
    return 0;
  if (!IsValidSystemTime(version.Time)) return 0;
  // The widest biases a time zone has, and none.
  for (int bias : {-14 * 60, 0, 12 * 60}) {
    TSystemTime local = UtcToLocalTime(version.Time, bias);
    if (local.Month < 1 || local.Month > 12 || FormatPublicationTime(local).empty()) std::abort();
  }
  return 0;
}
