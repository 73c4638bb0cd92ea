#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace vexilon {

// An export that cannot be done; the message says why, for the user.
class EVideoExport : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Matroska keeps the recorded JPEGs as they are; MP4 re-encodes them as H.264, which every
// player and sharing site takes.
enum class TVideoFormat { Matroska, Mp4 };

// By the target's extension: .mp4 (or .m4v) is MP4, anything else Matroska.
TVideoFormat VideoFormatFor(const std::string& target);

struct TVideoExportOptions {
  std::string Source;  // a multi-capture file
  std::string Target;  // the video file to write
  TVideoFormat Format = TVideoFormat::Matroska;
  // The recorded window to export from a desktop recording; a recording of one window needs
  // none.
  std::optional<std::int32_t> Window;
  // Frame numbers, 1-based and inclusive; Last 0 is the last frame.
  std::int32_t First = 1, Last = 0;
};

struct TVideoExportResult {
  bool Cancelled = false;
  std::int32_t Frames = 0;  // pictures written
};

// Called after each picture with the frames done out of total; answering false cancels.
using TVideoExportProgress = std::function<bool(std::int32_t done, std::int32_t total)>;

// Writes the recording's pictures into a video file with their recorded times. The file is
// written beside the target under another name and renamed at the end, so a failed or
// cancelled export leaves nothing under the target's name. Throws EVideoExport, and
// EMultiCaptureRead when the recording cannot be read.
TVideoExportResult ExportVideo(const TVideoExportOptions& options,
                               const TVideoExportProgress& progress = {});

}  // namespace vexilon
