// Edits arbitrary bytes as a multi-capture file: extracts a window, then cuts the first frame.
// The extract must read back with as many frames as it wrote, and the index the cut works out
// must be the one a fresh walk of the result finds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/capture/StreamEdit.h"

namespace {

std::vector<std::int64_t> IndexOf(const std::string& path, std::int64_t& size) {
  vexilon::TMultiCaptureReader reader;
  reader.Open(path);
  std::int64_t slices = 0;
  while (!reader.IndexStep(3))
    if (++slices > reader.FileSize()) std::abort();  // the walk must move on
  size = reader.FileSize();
  return reader.FrameIndex();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexilon;
  const std::string file = FuzzFolder() + "/input.vmc";
  WriteFuzzFile(file, std::string(reinterpret_cast<const char*>(data), size));
  const std::string extract = FuzzFolder() + "/extract.vmc";
  const std::int32_t window = size > 0 ? data[0] % 4 : 1;
  const TExtractResult result = ExtractWindow(file, window, extract, 20);
  std::int64_t extractSize = 0;
  if (std::int64_t(IndexOf(extract, extractSize).size()) != result.Images) std::abort();

  std::int64_t fileSize = 0;
  const std::vector<std::int64_t> index = IndexOf(file, fileSize);
  if (!CutSpan(index, fileSize, 1, 1)) return 0;
  const TCutResult cut = CutFrames(file, index, fileSize, 1, 1);
  std::int64_t cutSize = 0;
  const std::vector<std::int64_t> walked = IndexOf(file, cutSize);
  // The cut changes no type or length field, so a walk finds exactly the index worked out.
  if (cutSize != cut.FileSize || walked != cut.FrameIndex) std::abort();
  return 0;
}
