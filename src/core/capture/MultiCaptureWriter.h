#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "core/capture/MultiCaptureFile.h"

namespace vexilon {

// Appends frames to a new multi-capture file as they are recorded; nothing but the record
// being written is held in memory, so a recording may run for hours. Every failure throws
// EFileWrite naming the file; after a failed write the file is closed and left without its
// end mark, which readers take as a recording cut short.
class TMultiCaptureWriter {
 public:
  TMultiCaptureWriter() = default;
  // Writes the end mark when still open, without throwing.
  ~TMultiCaptureWriter();
  TMultiCaptureWriter(const TMultiCaptureWriter&) = delete;
  TMultiCaptureWriter& operator=(const TMultiCaptureWriter&) = delete;

  // Creates or empties path and writes the magic, then the caption-height record when given
  // (a camera window's recording has one, other files have none). Closes a file still open.
  void Create(const std::string& path, std::optional<std::int32_t> captionHeight = std::nullopt);
  // A frame record with the next frame number (1 for the first) and time as local time.
  void AppendFrame(std::chrono::system_clock::time_point time);
  // An image record belonging to the last frame. Refuses a payload larger than readers accept.
  void AppendImage(std::int32_t flags, const TCaptureRect& rect, std::int32_t windowNumber,
                   std::string_view name, std::string_view jpeg);
  void AppendImage(const TCaptureImage& image);
  // Writes the end mark and closes; does nothing when no file is open.
  void Close();

  bool IsOpen() const { return FFile != nullptr; }
  // Bytes of the file so far, magic and caption-height record included, end mark not.
  std::int64_t BytesWritten() const { return FBytes; }
  // Frame number of the last frame record written, 0 before the first.
  std::int32_t FramesWritten() const { return FFrames; }

 private:
  // Refuses a record that would take the closed file to 2 GiB, then writes it.
  void WriteRecord(const std::string& record);
  void Write(const std::string& bytes);
  // Throws, leaving the file as it is: nothing was written.
  [[noreturn]] void Refuse(const std::string& why) const;
  // Closes the file, whose end is now unknown, and throws the system's reason.
  [[noreturn]] void WriteFailed();

  std::string FPath;
  std::FILE* FFile = nullptr;
  std::int64_t FBytes = 0;
  std::int32_t FFrames = 0;
};

}  // namespace vexilon
