#include "support/FakeCatalogueHost.h"

#include <stdexcept>

#include "core/app/AtomicFile.h"

namespace vexilon {

void TFakeCatalogueHost::ShowWaitDialog(const std::string& caption, const std::string& text) {
  if (WaitOpen) throw std::logic_error("wait dialog shown twice");
  WaitOpen = true;
  WaitTexts.push_back(caption + "|" + text);
}

void TFakeCatalogueHost::SetWaitText(const std::string& text) {
  if (!WaitOpen) throw std::logic_error("wait text without a dialog");
  WaitTexts.push_back(text);
}

void TFakeCatalogueHost::CloseWaitDialog() {
  if (!WaitOpen) throw std::logic_error("wait dialog closed twice");
  WaitOpen = false;
}

void TFakeCatalogueHost::WriteSettings() {
  ++SettingsWrites;
  FromFile = true;
}

void TFakeCatalogueHost::LoadFavorites(const std::string& file, TFavoriteList& list) {
  list.clear();
  FavoritesLoaded.push_back(file);
}

void TFakeCatalogueHost::WriteFavorites(const std::string& file, const TFavoriteList& list) {
  if (!FavoritesFailure.empty()) throw std::runtime_error(FavoritesFailure);
  std::string content;
  for (const auto& favorite : list) content += favorite->Name + "=" + favorite->Value + "\r\n";
  WriteFileAtomically(file, content);
  FavoritesWritten.push_back(file);
}

}  // namespace vexilon
