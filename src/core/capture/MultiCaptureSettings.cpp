#include "core/capture/MultiCaptureSettings.h"

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
  TMultiCaptureSettings s;
  s.Delay = RecordInt(line, "DELAY", 250);
  s.Count = RecordInt(line, "COUNT", 0);
  s.Style = RecordInt(line, "STYLE", 1);
  s.ClipMode = RecordInt(line, "CLIPMODE", 0);
  s.FileMode = RecordInt(line, "FILEMODE", 0);
  s.FileLimit = RecordInt(line, "FILELIMIT", 0);
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
