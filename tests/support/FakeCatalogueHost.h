#pragma once
#include <string>
#include <vector>

#include "core/app/Settings.h"
#include "core/catalogue/CatalogueHost.h"

namespace vexilon {

// Records what the catalogue asks of the main window. Favorites are not parsed here: a load
// notes the file asked for, a write puts one line per favorite into the file.
class TFakeCatalogueHost final : public TCatalogueHost {
 public:
  void ShowWaitDialog(const std::string& caption, const std::string& text) override;
  void SetWaitText(const std::string& text) override;
  void CloseWaitDialog() override;
  bool SettingsFromFile() const override { return FromFile; }
  TSettings& SettingsToTake() override { return Taken; }
  void WriteSettings() override;
  void LoadFavorites(const std::string& file, TFavoriteList& list) override;
  void WriteFavorites(const std::string& file, const TFavoriteList& list) override;

  std::vector<std::string> WaitTexts;  // caption and text of each dialog, then its updates
  bool WaitOpen = false;
  bool FromFile = true;
  TSettings Taken;
  int SettingsWrites = 0;
  std::vector<std::string> FavoritesLoaded;
  std::vector<std::string> FavoritesWritten;
  std::string FavoritesFailure;  // when set, writing the favorites throws this text
};

}  // namespace vexilon
