#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexilon {

// A multi-capture file (.vmc) is a four-byte magic followed by records of type (int32) and
// length (int32, counting itself and the payload), ending with a type 0. All integers are
// little-endian; writers only append and readers find frames by walking the records.

inline constexpr char kMultiCaptureMagic[] = ".vmc";
inline constexpr std::int32_t kRecordEnd = 0;
inline constexpr std::int32_t kRecordFrame = 1;
inline constexpr std::int32_t kRecordImage = 2;
inline constexpr std::int32_t kRecordCaptionHeight = 4;

// Offsets are 32-bit signed values, so a file must stay below 2 GiB.
inline constexpr std::int64_t kMultiCaptureMaxBytes = 0x7fffffff;
// Flags, rectangle, window number and name length come before the name and the JPEG bytes.
inline constexpr std::int32_t kImageHeaderBytes = 28;
// No camera picture comes near this; a larger image payload in a file is damage.
inline constexpr std::int32_t kMaxImagePayload = 64 << 20;
// Images of one frame a reader loads: far more windows than a desktop holds, and a damaged
// file cannot make one frame load the whole file.
inline constexpr int kMaxImagesPerFrame = 4096;

// Bit 0 of an image's flags: the stream was interrupted just before this image.
inline constexpr std::int32_t kImageBreak = 1;

// A multi-capture file that cannot be read; the message names the file and the reason.
class EMultiCaptureRead : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the recorded window is drawn, with its 1-pixel frame and its caption bar.
struct TCaptureRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TCaptureRect&) const = default;
};

// One recorded window's picture within a frame.
struct TCaptureImage {
  std::int32_t Flags = 0;
  TCaptureRect Rect;
  std::int32_t WindowNumber = 0;
  std::string Name;
  std::string Jpeg;  // empty when the recorded picture was not a JPEG picture
  bool Break() const { return (Flags & kImageBreak) != 0; }
  bool operator==(const TCaptureImage&) const = default;
};

// A frame as read, with what the player needs to know about the record after it.
struct TCaptureFrame {
  std::int32_t FrameNumber = 0;
  std::chrono::system_clock::time_point Time;
  double DayCount = 0;  // the time stamp as stored
  std::vector<TCaptureImage> Images;
  std::optional<std::chrono::system_clock::time_point> NextTime;  // a frame follows
  std::optional<std::int32_t> NextFlags;                          // that frame's first image record
  std::optional<std::int32_t> CaptionHeight;                      // a caption-height record follows
};

}  // namespace vexilon
