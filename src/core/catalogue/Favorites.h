#pragma once
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

// Empties list, then reads file into it when the file exists and starts with the header.
void LoadFavorites(const std::string& file, TFavoriteList& list);

// The entries of list in the file's notation (without the header line), lines ended by CR LF.
std::string FormatFavorites(const TFavoriteList& list);

// Writes the whole favorites file (header and entries) atomically; throws EFileWrite.
void WriteFavoritesFile(const std::string& file, const TFavoriteList& list);

// A deep copy, for dialogs that edit a copy and hand it back on OK.
TFavoriteList CopyFavorites(const TFavoriteList& list);

}  // namespace vexilon
