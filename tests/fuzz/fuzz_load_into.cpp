// A private connection file from untrusted bytes: the first byte picks the load options, the
// rest is the file, which is then also read as the auxiliary file of a group.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzFiles.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/WindowlessHost.h"

using namespace vexilon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string file = FuzzFolder() + "/a.vxc";
  // Never LoadSubGroups here: file names in the input could name any file of the user's,
  // and the fuzzer must not read (or repair) those. The sub-group load is driven below.
  int options = data[0] & (MergeTop | TakeSettings | MergeByName);
  WriteFuzzFile(file, std::string(reinterpret_cast<const char*>(data + 1), size - 1));

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
