#include "ui/catalogue/CatalogueController.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <exception>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "core/app/StartupFiles.h"
#include "core/catalogue/Favorites.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/TextBytes.h"
#include "ui/app/WaitDialog.h"
#include "ui/catalogue/CatalogueTree.h"
#include "ui/catalogue/QtTreeNodes.h"
#include "ui/catalogue/TreeCommands.h"

namespace vexilon {

namespace {

TCamRoot* FolderOf(TTreeNode* node) {
  return node != nullptr && node->Data() != nullptr ? node->Data()->AsRoot() : nullptr;
}

void Show(QWidget* parent, const TSaveResult& result) {
  for (const TCatalogueMessage& message : result.Messages) {
    if (message.Kind == TCatalogueMessage::ErrorBox)
      TDialogs::Error(parent, FromBytes(message.Text));
    else
      TDialogs::Plain(parent, FromBytes(message.Text));
  }
}

}  // namespace

TCatalogueController::TCatalogueController(TfrmVexilon& window)
    : QObject(&window),
      FWindow(window),
      FCatalogue(std::make_unique<TCatalogue>(*this, window.TreeNodes())) {
  FCatalogue->SetUpdateCheck(&FUpdate);
  ConnectTree();
  if (auto* tree = qobject_cast<TCatalogueTree*>(window.Tree()))
    FTreeCommands = new TCatalogueTreeCommands(window, *FCatalogue, *tree, this);
}

TCatalogueController::~TCatalogueController() = default;

void TCatalogueController::ConnectTree() {
  TQtTreeNodes* nodes = FWindow.TreeNodes();
  // Only expanded folders have rows: opening one builds its children's rows, closing one
  // drops them again.
  nodes->OnExpanding = [](TTreeNode* node) {
    if (TCamRoot* folder = FolderOf(node)) folder->PopulateNodes(false);
  };
  nodes->OnCollapsing = [this](TTreeNode* node) {
    return !(FCatalogue->FRoot && node == FCatalogue->FRoot->TreeNode());
  };
  nodes->OnCollapsed = [](TTreeNode* node) {
    if (TCamRoot* folder = FolderOf(node)) folder->CollapseNodes();
  };
}

void TCatalogueController::LoadAtStartup() {
  FCatalogue->ClearCatalogue(true);
  try {
    InstallStartingCatalogue();
  } catch (const std::exception& e) {
    // The viewer starts all the same, on whatever catalogue there is.
    TDialogs::Error(&FWindow, QStringLiteral("The starting catalogue could not be copied: ") +
                                  FromBytes(e.what()));
  }
  try {
    FCatalogue->LoadMainFile(StartupConnectionFile());
  } catch (const std::exception&) {
    // A damaged or missing catalogue must not stop the viewer from starting: the tree keeps
    // what could be read, at least its root.
  }
}

bool TCatalogueController::AskToSaveChanges() {
  if (!FCatalogue->FCatalogChanged && !FCatalogue->FFavoritesChanged) return true;
  switch (TDialogs::Confirm(&FWindow,
                            QStringLiteral("Connections have changed, do you want to save?"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return Save();
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

void TCatalogueController::Open() {
  if (!AskToSaveChanges()) return;
  const std::string published = ExpandProgramPath("./Vexilon.vxp");
  const std::string proposed =
      QFileInfo::exists(FromBytes(published)) ? published : ExpandProgramPath("./Vexilon.vxc");
  const QString file = TDialogs::OpenFileName(&FWindow, QStringLiteral("Open"), FromBytes(proposed),
                                              QStringLiteral("Connection Files (*.vxc *.vxp)"));
  if (file.isEmpty()) return;
  try {
    FCatalogue->LoadMainFile(ToBytes(file));
  } catch (const std::exception& e) {
    TDialogs::Error(&FWindow, FromBytes(e.what()));
  }
}

bool TCatalogueController::Save() {
  const bool published = FCatalogue->FPublished;
  QString proposed = FromBytes(FCatalogue->FCurrentFile);
  if (proposed.isEmpty()) proposed = FromBytes(ProgramFolder());
  const QString file =
      TDialogs::SaveFileName(&FWindow, QStringLiteral("Save As"), proposed,
                             published ? QStringLiteral("Published Connection Files (*.vxp)")
                                       : QStringLiteral("Connection Files (*.vxc)"),
                             published ? QStringLiteral("vxp") : QStringLiteral("vxc"));
  if (file.isEmpty()) return false;
  return SaveTo(ToBytes(file));
}

bool TCatalogueController::SaveToCurrentFile() {
  return !FCatalogue->FCurrentFile.empty() && SaveTo(FCatalogue->FCurrentFile);
}

bool TCatalogueController::SaveTo(const std::string& file) {
  try {
    TSaveResult result = FCatalogue->Save(file);
    Show(&FWindow, result);
    return result.Saved;
  } catch (const std::exception& e) {
    TDialogs::Error(&FWindow, FromBytes(e.what()));
    return false;
  }
}

void TCatalogueController::ShowWaitDialog(const std::string& caption, const std::string& text) {
  FWaitDialog = vexilon::ShowWaitDialog(FromBytes(caption), FromBytes(text));
}

void TCatalogueController::SetWaitText(const std::string& text) {
  if (FWaitDialog) vexilon::SetWaitText(FWaitDialog.get(), FromBytes(text));
}

void TCatalogueController::CloseWaitDialog() {
  FWaitDialog.reset();
}

bool TCatalogueController::SettingsFromFile() const {
  return FWindow.SettingsFromFile();
}

TSettings& TCatalogueController::SettingsToTake() {
  return Settings();
}

void TCatalogueController::WriteSettings() {
  FWindow.SaveSettings();
}

void TCatalogueController::LoadFavorites(const std::string& file, TFavoriteList& list) {
  vexilon::LoadFavorites(file, list);
}

void TCatalogueController::WriteFavorites(const std::string& file, const TFavoriteList& list) {
  WriteFavoritesFile(file, list);
}

bool TCatalogueController::AskYesNo(const std::string& text) {
  return TDialogs::Confirm(&FWindow, FromBytes(text), QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void TCatalogueController::ShowError(const std::string& text) {
  TDialogs::Error(&FWindow, FromBytes(text));
}

void TCatalogueController::PumpEvents() {
  QCoreApplication::processEvents();
}

}  // namespace vexilon
