#include "core/catalogue/WindowlessHost.h"

#include "core/catalogue/Favorites.h"

namespace vexilon {

TWindowlessHost::TWindowlessHost(bool useFavoritesFiles, bool settingsFromFile)
    : FUseFavoritesFiles(useFavoritesFiles), FSettingsFromFile(settingsFromFile) {}

void TWindowlessHost::LoadFavorites(const std::string& file, TFavoriteList& list) {
  if (FUseFavoritesFiles)
    vexilon::LoadFavorites(file, list);
  else
    list.clear();
}

void TWindowlessHost::WriteFavorites(const std::string& file, const TFavoriteList& list) {
  if (FUseFavoritesFiles) WriteFavoritesFile(file, list);
}

}  // namespace vexilon
