#pragma once
// Test helpers: a multi-capture file read back whole, as the player reads it.
#include <string>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/capture/MultiCaptureReader.h"

namespace vexilon {

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
  TReadBack file{reader.FrameIndex(), {}, reader.FileSize(), reader.Damaged(),
                 reader.CaptionHeight()};
  for (std::size_t i = 0; i < file.Index.size(); ++i) file.Frames.push_back(reader.ReadFrame(i));
  return file;
}

inline std::string FileBytes(const std::string& path) {
  std::string bytes;
  ReadWholeFile(path, bytes);
  return bytes;
}

}  // namespace vexilon
