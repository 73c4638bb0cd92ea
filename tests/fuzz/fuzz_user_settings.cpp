// A multi-capture user setting line (USER1..USER4 of the settings file) from untrusted bytes:
// held to what the dialog accepts, written and read back the same, and captioned.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "core/capture/MultiCaptureSettings.h"

using namespace vexilon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const TMultiCaptureSettings s = ParseUserSettings(line);
  Check(s.Delay >= 0 && s.Delay <= kMaxCaptureDelay);
  Check(s.Count >= 0 && s.Count <= kMaxCaptureCount);
  Check(s.FileLimit >= 0 && s.FileLimit <= kMaxCaptureCount);
  Check(s.Style >= 0 && s.Style <= 1 && s.FileMode >= 0 && s.FileMode <= 1);
  Check(s.ClipMode >= 0 && s.ClipMode <= TMultiCaptureSettings::Minutes);
  Check(ParseUserSettings(FormatUserSettings(s)) == s);
  Check(!UserSettingsCaption(1, line).empty());
  return 0;
}
