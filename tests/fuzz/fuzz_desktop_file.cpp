// Feeds arbitrary bytes through the desktop file reader, as a file (with its line-end repair)
// and as text, and checks that what it writes back reads to the same lines.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "core/desktop/DesktopFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexilon;
  // Random bytes rarely start with the header, so an odd first byte stands for it and the rest
  // of the input is the body; an even first byte leaves the input as it is.
  std::string input(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) != 0)
    input = std::string(kDesktopFileHeader) + "\n" + input.substr(1);

  const std::string file = FuzzFolder() + "/desktop.vxd";
  WriteFuzzFile(file, input);
  std::vector<TDesktopLine> lines;
  try {
    lines = ReadDesktopFile(file);
  } catch (const EDesktopFile&) {
    return 0;
  }
  if (lines != ParseDesktopText(input)) std::abort();
  if (lines.size() >= kMaxDesktopLines) return 0;

  TDesktopLine desktop;
  std::vector<TDesktopLine> cameras;
  bool haveDesktop = false;
  for (const TDesktopLine& line : lines) {
    if (line.Path.empty()) {
      if (!haveDesktop) desktop = line;
      haveDesktop = true;
    } else if (line.Path.find_first_of("\r\n") == std::string::npos) {
      cameras.push_back(line);
    }
  }
  std::vector<TDesktopLine> expected = {desktop};
  expected[0].Style = 1;
  expected.insert(expected.end(), cameras.begin(), cameras.end());
  if (ParseDesktopText(FormatDesktopFile(desktop, cameras)) != expected) std::abort();
  return 0;
}
