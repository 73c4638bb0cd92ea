// Published connection files from untrusted bytes: the input as decompressed records, as a
// whole file, and zipped behind a valid header so that the records are reached through the
// inflater too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzFiles.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/PublishedFile.h"
#include "core/catalogue/WindowlessHost.h"

using namespace vexilon;

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

  const std::string file = FuzzFolder() + "/a.vxp";
  WriteFuzzFile(file, bytes);
  catalogue.LoadInto(*catalogue.FRoot, file, options);

  TPublishedHeader header;
  WriteFuzzFile(file, FormatPublishedHeader(header) + Deflate(bytes));
  catalogue.ClearCatalogue(true);
  catalogue.LoadInto(*catalogue.FRoot, file, options);
  return 0;
}
