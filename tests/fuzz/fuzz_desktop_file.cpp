// Feeds arbitrary bytes through the desktop file reader, as a file (with its line-end repair)
// and as text, and checks that what it writes back reads to the same lines; each camera's
// catalogue path is looked up in a small catalogue, and what it finds has that path.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "core/catalogue/CamNodes.h"
#include "core/catalogue/CatalogueRules.h"
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
  static TCamRoot* catalogue = [] {
    auto* root = new TCamRoot(nullptr);
    for (const char* name : {"Outdoor", "Gate", "Outdoor"}) {
      auto group = std::make_unique<TCamGroup>(root->Nodes());
      group->Name = name;
      TCamRoot* parent = static_cast<TCamGroup*>(root->AddChild(std::move(group)));
      for (const char* camera : {"Lobby", "", "Gate"}) {
        auto item = std::make_unique<TCamItem>(parent->Nodes());
        item->SetName(camera);
        parent->AddChild(std::move(item));
      }
    }
    return root;
  }();
  for (const TDesktopLine& line : lines) {
    if (const TCamBase* node = FindByPath(*catalogue, line.Path)) {
      if (CatalogPath(*node) != line.Path) std::abort();
    }
  }
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
