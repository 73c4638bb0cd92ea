#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexilon {

// Editing a multi-capture file: cutting frames out of it, extracting frames or one recorded
// window into a new file, and exploding one window into numbered JPEG files. Each operation
// walks the file apart from the player's reader and reports its progress as it goes. The file
// comes from outside: a damaged record ends the walk where the player's index ends too.

// An edit that cannot be done as asked; the message says why, for the user.
class EStreamEdit : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Called now and then with the work done so far out of total (bytes); answering false cancels
// the operation, which then leaves the files as they were before it.
using TEditProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// The byte range of the file that cutting the frames first to last (1-based, inclusive) takes
// out: from the type field of frame first to the type field of the frame after last, or to the
// end of the file when last is the last frame. None when last is before first.
struct TCutSpan {
  std::int64_t Start = 0, End = 0;
};
std::optional<TCutSpan> CutSpan(const std::vector<std::int64_t>& frameIndex, std::int64_t fileSize,
                                std::int32_t first, std::int32_t last);

struct TCutResult {
  bool Cancelled = false;
  // The file as it is now: the index of its frames and its size.
  std::vector<std::int64_t> FrameIndex;
  std::int64_t FileSize = 0;
};

// Removes the frames first to last from the file at path, whose frame index (the offsets of
// the frame records' length fields) and size are those the player knows. The frames after the
// cut are renumbered so that the numbers stay consecutive, the first image after the cut gets
// the break flag, and a cut to the end leaves the end mark after the last frame kept. The
// result is written beside the file and renamed over it, so the file is never left half
// edited. Throws EStreamEdit when the range is empty or the file has changed since it was
// indexed, EMultiCaptureRead and EFileWrite when it cannot be read or written.
TCutResult CutFrames(const std::string& path, const std::vector<std::int64_t>& frameIndex,
                     std::int64_t indexedSize, std::int32_t first, std::int32_t last,
                     const TEditProgress& progress = {});

struct TExtractResult {
  bool Cancelled = false;
  std::int32_t Images = 0;  // images written (frames of an extract, files of an explode)
  std::string LastFile;     // the last file an explode wrote
  // Where the walk stopped at a damaged record; what came before it was kept.
  std::optional<std::int64_t> DamageAt;
};

// Copies the images of the frames first to last (1-based, inclusive) of source into a new
// one-window file at target: each image becomes a frame of its own with its time stamp, window
// number 1 and a rectangle at the origin sized for its picture plus a 1-pixel frame and
// captionHeight. Images whose picture cannot be decoded are left out. Last before first gives
// a file without frames. Target is replaced only when the file is complete.
TExtractResult ExtractFrames(const std::string& source, const std::vector<std::int64_t>& frameIndex,
                             std::int32_t first, std::int32_t last, const std::string& target,
                             std::int32_t captionHeight, const TEditProgress& progress = {});
// The same for every image of one recorded window, from all frames of the file.
TExtractResult ExtractWindow(const std::string& source, std::int32_t windowNumber,
                             const std::string& target, std::int32_t captionHeight,
                             const TEditProgress& progress = {});

// Writes every image of one recorded window as it was recorded into folder, named prefix plus
// the next free number and ".jpg", so that no existing file is overwritten. Stops with
// EStreamEdit at a picture that cannot be decoded, keeping the files written before it.
TExtractResult ExplodeWindow(const std::string& source, std::int32_t windowNumber,
                             const std::string& folder, const std::string& prefix,
                             const TEditProgress& progress = {});

}  // namespace vexilon
