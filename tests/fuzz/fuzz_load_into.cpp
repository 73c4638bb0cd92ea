// A private connection file from untrusted bytes: the first byte picks the load options, the
// rest is the file, which is then also read as the auxiliary file of a group.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/WindowlessHost.h"

using namespace vexilon;

namespace {

// A private folder for the file under test, removed when the fuzzer exits.
struct TFolder {
  std::string Path;
  TFolder() {
    char pattern[] = "/tmp/fuzz-load-into-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    Path = pattern;
  }
  ~TFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
};

const std::string& Folder() {
  static const TFolder folder;
  return folder.Path;
}

// A plain write: the atomic one syncs to disk, which would slow fuzzing down a hundredfold.
void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string file = Folder() + "/a.vxc";
  // Never LoadSubGroups here: file names in the input could name any file of the user's,
  // and the fuzzer must not read (or repair) those. The sub-group load is driven below.
  int options = data[0] & (MergeTop | TakeSettings | MergeByName);
  WriteFile(file, std::string(reinterpret_cast<const char*>(data + 1), size - 1));

  TWindowlessHost host(false, false);
  TCatalogue catalogue(host, nullptr);
  catalogue.ClearCatalogue(true);
  catalogue.LoadInto(*catalogue.FRoot, file, options);

  auto group = std::make_unique<TCamGroup>(nullptr);
  group->SubGroup = file;
  group->Flags = kSubGroupFlag;
  auto* placed = static_cast<TCamGroup*>(catalogue.FRoot->AddChild(std::move(group)));
  catalogue.LoadSubGroup(*placed, options & MergeByName);

  // Writing back: inline only, so that no auxiliary file named by the input is written.
  std::string out;
  catalogue.WriteNodes(out, catalogue.FRoot.get(), SkipPublishedGroups | InlineSubGroups, 0);
  try {
    std::string records;
    catalogue.WriteRecords(records, catalogue.FRoot.get(), 0);
  } catch (const std::length_error&) {
    // a line too long for a record
  }
  return 0;
}
