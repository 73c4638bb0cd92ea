#pragma once
#include <string>
#include <string_view>

namespace vexilon {

// How a multi-capture records: the pause between attempts, the clip limit and how many clips.
struct TMultiCaptureSettings {
  enum TStyle { JpegFiles = 0, VmcFile = 1 };
  enum TClipMode { NoClipLimit = 0, Frames = 1, Megabytes = 2, Minutes = 3 };
  int Delay = 10000;  // milliseconds between two recording attempts
  int Count = 100;    // the clip limit's number; 0: no limit
  int Style = VmcFile;
  int ClipMode = NoClipLimit;
  int FileMode = 1;  // 0: clips without end; 1: FileLimit clips
  int FileLimit = 1;

  bool operator==(const TMultiCaptureSettings&) const = default;
};

// What the dialog accepts; a stored user setting is held to the same.
inline constexpr int kMaxCaptureDelay = 99999999;  // milliseconds
inline constexpr int kMaxCaptureCount = 10000;     // clip limit and file limit

// What the dialog offers when it opens: the last settings confirmed in this run.
TMultiCaptureSettings& LastMultiCaptureSettings();

// A user setting button's stored line ("DELAY=250 COUNT=0 ..."), and back; missing or
// malformed values take the defaults of an unsaved button (250 ms, no limits, one .vmc file).
std::string FormatUserSettings(const TMultiCaptureSettings& settings);
TMultiCaptureSettings ParseUserSettings(std::string_view line);

// The caption of user setting button number (1-4) for its stored line, the digit its
// accelerator: "#&2: 1000ms, 50 frames, 3 times, .jpg".
std::string UserSettingsCaption(int number, std::string_view line);

}  // namespace vexilon
