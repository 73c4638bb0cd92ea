#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vexilon {

// A favourite camera (a catalogue path) or a folder of favourites.
struct TFavorite {
  bool IsFolder = false;
  std::string Name;
  std::string Value;                              // catalogue path; empty for a folder
  std::vector<std::unique_ptr<TFavorite>> Items;  // a folder's contents
};

using TFavoriteList = std::vector<std::unique_ptr<TFavorite>>;

inline constexpr const char* kFavoritesHeader = "Vexilon Favorites File";

// Folders deeper than this are read as if their bracket lines were absent (their contents join
// the deepest folder), so that code walking the favorites recursively stays on a small stack.
inline constexpr std::size_t kMaxFavoritesDepth = 256;

// Larger favorites files are refused rather than read, to bound the memory a file can claim.
inline constexpr std::size_t kMaxFavoritesFileSize = std::size_t{8} << 20;

// Empties list, then reads file into it when the file exists and starts with the header.
// Lines may end with CR LF, LF or CR. Throws std::runtime_error naming the file when it exists
// but cannot be read or is too large.
void LoadFavorites(const std::string& file, TFavoriteList& list);

// The entries of list in the file's notation (without the header line), lines ended by CR LF.
std::string FormatFavorites(const TFavoriteList& list);

// Writes the whole favorites file (header and entries) atomically; throws EFileWrite.
void WriteFavoritesFile(const std::string& file, const TFavoriteList& list);

// A deep copy, for dialogs that edit a copy and hand it back on OK.
TFavoriteList CopyFavorites(const TFavoriteList& list);

}  // namespace vexilon
