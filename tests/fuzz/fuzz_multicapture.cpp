// Indexes arbitrary bytes as a multi-capture file and reads every frame; the frames that read
// are written again and must read back the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/capture/MultiCaptureWriter.h"

namespace {

std::vector<vexilon::TCaptureFrame> ReadAll(const std::string& path) {
  using namespace vexilon;
  TMultiCaptureReader reader;
  reader.Open(path);
  std::int64_t slices = 0;
  while (!reader.IndexStep(3))
    if (++slices > reader.FileSize()) std::abort();  // the walk must move on
  if (std::int64_t(reader.FrameIndex().size()) > reader.FileSize() / 8 + 1) std::abort();
  std::vector<TCaptureFrame> frames;
  for (std::size_t i = 0; i < reader.FrameIndex().size(); ++i) {
    try {
      frames.push_back(reader.ReadFrame(i));
    } catch (const EMultiCaptureRead&) {
    }
  }
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexilon;
  const std::string file = FuzzFolder() + "/input.vmc";
  WriteFuzzFile(file, std::string(reinterpret_cast<const char*>(data), size));
  const std::vector<TCaptureFrame> frames = ReadAll(file);

  const std::string again = FuzzFolder() + "/again.vmc";
  {
    TMultiCaptureWriter writer;
    writer.Create(again);
    for (const TCaptureFrame& frame : frames) {
      writer.AppendFrame(frame.Time);
      for (const TCaptureImage& image : frame.Images) writer.AppendImage(image);
    }
    writer.Close();
  }
  const std::vector<TCaptureFrame> back = ReadAll(again);
  if (back.size() != frames.size()) std::abort();
  for (std::size_t i = 0; i < frames.size(); ++i)
    if (back[i].FrameNumber != std::int32_t(i + 1) || back[i].Images != frames[i].Images)
      std::abort();
  return 0;
}
