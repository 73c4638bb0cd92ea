// Feeds arbitrary bytes through the favorites reader and checks that what it writes reads back
// to the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzFiles.h"
#include "core/catalogue/Favorites.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexilon;
  const std::string file = FuzzFolder() + "/favorites.vxf";
  // Random bytes rarely start with the header, so an odd first byte stands for it and the rest
  // of the input is the body; an even first byte leaves the input as it is.
  std::string input(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) != 0)
    input = std::string(kFavoritesHeader) + "\r\n" + input.substr(1);
  WriteFuzzFile(file, input);
  TFavoriteList list;
  LoadFavorites(file, list);
  std::string text = FormatFavorites(list);

  WriteFuzzFile(file, std::string(kFavoritesHeader) + "\r\n" + text);
  TFavoriteList again;
  LoadFavorites(file, again);
  if (FormatFavorites(again) != text) std::abort();
  if (FormatFavorites(CopyFavorites(again)) != text) std::abort();
  return 0;
}
