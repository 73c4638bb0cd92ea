// Published connection files from untrusted bytes: the input as decompressed records, as a
// whole file, and zipped behind a valid header so that the records are reached through the
// inflater too.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/PublishedFile.h"
#include "core/catalogue/WindowlessHost.h"

using namespace vexilon;

namespace {

// A private folder for the file under test, removed when the fuzzer exits.
struct TFolder {
  std::string Path;
  TFolder() {
    char pattern[] = "/tmp/fuzz-read-records-XXXXXX";
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
  std::string bytes(reinterpret_cast<const char*>(data), size);
  int options = size > 0 ? (data[0] & (MergeTop | TakeSettings | MergeByName)) : 0;
  TWindowlessHost host(false, false);
  TCatalogue catalogue(host, nullptr);
  catalogue.ClearCatalogue(true);

  TMemorySource records(bytes);
  try {
    catalogue.ReadRecords(*catalogue.FRoot, records, options);
  } catch (const ECatalogueFile&) {
  }

  const std::string file = Folder() + "/a.vxp";
  WriteFile(file, bytes);
  catalogue.LoadInto(*catalogue.FRoot, file, options);

  TPublishedHeader header;
  WriteFile(file, FormatPublishedHeader(header) + Deflate(bytes));
  catalogue.ClearCatalogue(true);
  catalogue.LoadInto(*catalogue.FRoot, file, options);
  return 0;
}
