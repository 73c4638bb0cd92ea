#pragma once
// Test helpers for multi-capture files: records built by hand, byte by byte, for what the writer
// never produces, and files read back whole, as the player reads them.
#include <bit>
#include <string>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/capture/MultiCaptureReader.h"

namespace vexilon {

inline std::string Le32(std::int32_t value) {
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out += char((std::uint32_t(value) >> shift) & 0xff);
  return out;
}

inline std::string Le64(double value) {
  std::string out;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (int shift = 0; shift < 64; shift += 8) out += char((bits >> shift) & 0xff);
  return out;
}

inline std::string Record(std::int32_t type, const std::string& payload) {
  return Le32(type) + Le32(std::int32_t(payload.size() + 4)) + payload;
}

// A frame record stamped days after the base day, as stored.
inline std::string FrameRecord(std::int32_t number, double days = 45351.5) {
  return Record(kRecordFrame, Le32(number) + Le64(days));
}

inline std::string ImageRecord(std::int32_t flags, std::int32_t window, const std::string& name,
                               const std::string& jpeg, std::int32_t right = 18,
                               std::int32_t bottom = 40) {
  return Record(kRecordImage, Le32(flags) + Le32(0) + Le32(0) + Le32(right) + Le32(bottom) +
                                  Le32(window) + Le32(std::int32_t(name.size())) + name + jpeg);
}

struct TReadBack {
  std::vector<std::int64_t> Index;
  std::vector<TCaptureFrame> Frames;
  std::int64_t Size = 0;
  bool Damaged = false;
  std::optional<std::int32_t> CaptionHeight;
};

// Every indexed frame; one that cannot be read throws EMultiCaptureRead.
inline TReadBack ReadBack(const std::string& path) {
  TMultiCaptureReader reader;
  reader.Open(path);
  while (!reader.IndexStep(100)) {
  }
  TReadBack file{
      reader.FrameIndex(), {}, reader.FileSize(), reader.Damaged(), reader.CaptionHeight()};
  for (std::size_t i = 0; i < file.Index.size(); ++i) file.Frames.push_back(reader.ReadFrame(i));
  return file;
}

inline std::string FileBytes(const std::string& path) {
  std::string bytes;
  ReadWholeFile(path, bytes);
  return bytes;
}

}  // namespace vexilon
