#pragma once
#include <QObject>
#include <memory>
#include <string>

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CatalogueHost.h"
#include "core/catalogue/PublishedUpdate.h"

namespace vexilon {

class TCatalogueTreeCommands;
class TfrmVexilon;
class TfrmWait;

// Joins the primary window to its catalogue: loads and saves connection files through the
// window's dialogs, keeps the tree in step as folders open and close, and gives the core what
// it needs of the window (wait dialog, settings, favorites file, the questions of an update).
class TCatalogueController : public QObject, public TCatalogueHost, public TUpdatePrompts {
  Q_OBJECT
 public:
  explicit TCatalogueController(TfrmVexilon& window);
  ~TCatalogueController() override;

  TCatalogue& Catalogue() { return *FCatalogue; }
  // The tree's editing and opening commands; null when the window has no catalogue tree.
  TCatalogueTreeCommands* TreeCommands() const { return FTreeCommands; }

  // Start-up: a fresh root, the installer's starting catalogue when there is no other, then
  // the chosen connection file. Failures leave whatever was read and are not shown.
  void LoadAtStartup();
  // File > Open: offers to save changes, asks for a file and loads it; a bad file is reported.
  void Open();
  // File > Save (also from the close query); answers whether the catalogue was saved.
  bool Save();
  // Saves to the file the catalogue came from, without asking; false when it has none or the
  // save failed (said to the user).
  bool SaveToCurrentFile();

  // TCatalogueHost
  void ShowWaitDialog(const std::string& caption, const std::string& text) override;
  void SetWaitText(const std::string& text) override;
  void CloseWaitDialog() override;
  bool SettingsFromFile() const override;
  TSettings& SettingsToTake() override;
  void WriteSettings() override;
  void LoadFavorites(const std::string& file, TFavoriteList& list) override;
  void WriteFavorites(const std::string& file, const TFavoriteList& list) override;

  // TUpdatePrompts (SetWaitText above serves both)
  bool AskYesNo(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void PumpEvents() override;

 private:
  void ConnectTree();
  bool AskToSaveChanges();
  bool SaveTo(const std::string& file);

  TfrmVexilon& FWindow;
  std::unique_ptr<TfrmWait> FWaitDialog;
  TPublishedUpdate FUpdate{*this};  // outlives the catalogue that uses it
  std::unique_ptr<TCatalogue> FCatalogue;
  TCatalogueTreeCommands* FTreeCommands = nullptr;
};

}  // namespace vexilon
