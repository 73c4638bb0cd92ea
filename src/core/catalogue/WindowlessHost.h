#pragma once
#include <string>

#include "core/app/Settings.h"
#include "core/catalogue/CatalogueHost.h"

namespace vexilon {

// The catalogue's host where there are no windows (command-line tools, fuzzers, benchmarks):
// no wait dialog, and settings lines of old connection files go to a private settings object,
// never to the user's configuration file.
class TWindowlessHost final : public TCatalogueHost {
 public:
  // With useFavoritesFiles false the favorites files beside connection files are neither read
  // nor written. settingsFromFile false lets loads take settings lines into Taken().
  explicit TWindowlessHost(bool useFavoritesFiles, bool settingsFromFile = true);

  void ShowWaitDialog(const std::string&, const std::string&) override {}
  void SetWaitText(const std::string&) override {}
  void CloseWaitDialog() override {}
  bool SettingsFromFile() const override { return FSettingsFromFile; }
  TSettings& SettingsToTake() override { return FTaken; }
  void WriteSettings() override {}
  void LoadFavorites(const std::string& file, TFavoriteList& list) override;
  void WriteFavorites(const std::string& file, const TFavoriteList& list) override;

  const TSettings& Taken() const { return FTaken; }

 private:
  bool FUseFavoritesFiles;
  bool FSettingsFromFile;
  TSettings FTaken;
};

}  // namespace vexilon
