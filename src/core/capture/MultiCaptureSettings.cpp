#include "core/capture/MultiCaptureSettings.h"

#include <algorithm>

#include "core/catalogue/RecordText.h"

namespace vexilon {

TMultiCaptureSettings& LastMultiCaptureSettings() {
  static TMultiCaptureSettings settings;
  return settings;
}

std::string FormatUserSettings(const TMultiCaptureSettings& s) {
  return "DELAY=" + std::to_string(s.Delay) + " COUNT=" + std::to_string(s.Count) +
         " STYLE=" + std::to_string(s.Style) + " CLIPMODE=" + std::to_string(s.ClipMode) +
         " FILEMODE=" + std::to_string(s.FileMode) + " FILELIMIT=" + std::to_string(s.FileLimit);
}

TMultiCaptureSettings ParseUserSettings(std::string_view line) {
  // The line comes from the settings file, which anyone may edit: numbers are held to what
  // the dialog accepts, and a choice it does not offer is its first.
  const auto choice = [line](const char* key, int fallback, int last) {
    const int value = RecordInt(line, key, fallback);
    return value >= 0 && value <= last ? value : 0;
  };
  TMultiCaptureSettings s;
  s.Delay = std::clamp(RecordInt(line, "DELAY", 250), 0, kMaxCaptureDelay);
  s.Count = std::clamp(RecordInt(line, "COUNT", 0), 0, kMaxCaptureCount);
  s.Style = choice("STYLE", 1, TMultiCaptureSettings::VmcFile);
  s.ClipMode = choice("CLIPMODE", 0, TMultiCaptureSettings::Minutes);
  s.FileMode = choice("FILEMODE", 0, 1);
  s.FileLimit = std::clamp(RecordInt(line, "FILELIMIT", 0), 0, kMaxCaptureCount);
  return s;
}

std::string UserSettingsCaption(int number, std::string_view line) {
  const TMultiCaptureSettings s = ParseUserSettings(line);
  std::string caption = "#&" + std::to_string(number) + ": " + std::to_string(s.Delay) + "ms, ";
  if (s.Count == 0 || s.ClipMode == TMultiCaptureSettings::NoClipLimit) {
    caption += "unlimited, ";
  } else {
    const char* unit = s.ClipMode == TMultiCaptureSettings::Frames      ? " frames, "
                       : s.ClipMode == TMultiCaptureSettings::Megabytes ? "mb, "
                                                                        : "min, ";
    caption += std::to_string(s.Count) + unit;
    caption += s.FileMode == 0 || s.FileLimit == 0 ? std::string("repeat, ")
                                                   : std::to_string(s.FileLimit) + " times, ";
  }
  caption += s.Style == TMultiCaptureSettings::JpegFiles ? ".jpg" : ".vmc";
  return caption;
}

}  // namespace vexilon
