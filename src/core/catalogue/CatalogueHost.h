#pragma once
#include <cstdint>
#include <string>

#include "core/catalogue/Favorites.h"
#include "core/catalogue/PublishedFile.h"

namespace vexilon {

struct TSettings;

// What loading and saving the catalogue needs from the program around it: the main window
// implements it with its wait dialog, the process-wide settings and the favorites file;
// tests and command-line tools with plain stand-ins.
class TCatalogueHost {
 public:
  virtual ~TCatalogueHost() = default;

  // The "Please Wait" dialog of a main load; SetWaitText also lets pending events run.
  virtual void ShowWaitDialog(const std::string& caption, const std::string& text) = 0;
  virtual void SetWaitText(const std::string& text) = 0;
  virtual void CloseWaitDialog() = 0;

  // True once the configuration file was read or written; until then the settings lines of
  // a connection file are taken into SettingsToTake().
  virtual bool SettingsFromFile() const = 0;
  virtual TSettings& SettingsToTake() = 0;
  // Writes the configuration file (and so makes SettingsFromFile() true); may throw.
  virtual void WriteSettings() = 0;

  // Empties list, then reads the favorites file when there is one.
  virtual void LoadFavorites(const std::string& file, TFavoriteList& list) = 0;
  // Writes the favorites file; throws on failure (the message is shown to the user).
  virtual void WriteFavorites(const std::string& file, const TFavoriteList& list) = 0;
};

// The self-update of a published connection file. This default never finds an update.
class TUpdateCheck {
 public:
  virtual ~TUpdateCheck() = default;
  // True when a newer edition is published at address and the user chose to download it.
  // Without mayOffer the edition is looked up but never offered: the file was replaced during
  // this load already, and a server whose version file never matches what it serves must not
  // keep the load going round.
  virtual bool CheckForUpdate(const std::string& address, std::uint32_t serial,
                              const TSystemTime& time, bool mayOffer);
  // True when file was replaced by the edition downloaded from address.
  virtual bool DownloadUpdate(const std::string& file, const std::string& address);
};

}  // namespace vexilon
