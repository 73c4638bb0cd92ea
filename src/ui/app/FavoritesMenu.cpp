// The Favorites menu of every desktop window: the one favorites list of the catalogue, adding
// the active camera to it and organising it.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <algorithm>

#include "core/catalogue/Catalogue.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/app/QueryDialogs.h"
#include "ui/camera/CameraOptions.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/OrganizeFavorites.h"

namespace vexilon {
namespace {

// A menu of more items than this is no use to anyone and slow to build; the organiser still
// shows them all.
constexpr int kMaxFavoriteItems = 2000;

TFavoriteList* Favorites() {
  TfrmVexilon* primary = PrimaryDesktop();
  return primary != nullptr ? &primary->Catalogue()->Catalogue().FFavorites : nullptr;
}

// A name as a menu shows it: its ampersands literal, and a name of a whole line of a hostile
// file cut to what a menu can show.
QString MenuCaption(const std::string& name) {
  constexpr std::size_t kMaxCaption = 120;
  QString caption =
      QString::fromLocal8Bit(name.data(), qsizetype(std::min(name.size(), kMaxCaption)));
  if (name.size() > kMaxCaption) caption += QChar(0x2026);
  return caption.replace(QLatin1Char('&'), QLatin1String("&&"));
}

bool ValidFavoriteName(const QString& name) {
  return !name.isEmpty() && !name.contains(QLatin1Char('=')) && !name.contains(QLatin1Char('[')) &&
         !name.contains(QLatin1Char(']'));
}

}  // namespace

void TfrmVexilon::Favorites1Click() {
  const QList<QAction*> items = FFavoritesMenu->actions();
  bool afterSeparator = false;
  for (QAction* item : items) {
    if (afterSeparator) {
      FFavoritesMenu->removeAction(item);
      if (QMenu* submenu = item->menu()) submenu->deleteLater();
      item->deleteLater();
    } else if (item->isSeparator()) {
      afterSeparator = true;
    }
  }
  const TFavoriteList* list = Favorites();
  findChild<QAction*>("AddtoFavorites1")->setEnabled(list != nullptr);
  findChild<QAction*>("OrganizeFavorites1")->setEnabled(list != nullptr);
  int room = kMaxFavoriteItems;
  if (list != nullptr) AddFavoriteItems(FFavoritesMenu, *list, room);
}

void TfrmVexilon::AddFavoriteItems(QMenu* menu, const TFavoriteList& list, int& room) {
  for (const auto& favorite : list) {
    if (room-- <= 0) {
      menu->addAction(QStringLiteral("(more in Organize Favorites)"))->setEnabled(false);
      return;
    }
    if (favorite->IsFolder) {
      // Menus nest no deeper than the favorites file reads.
      QMenu* submenu = menu->addMenu(MenuCaption(favorite->Name));
      AddFavoriteItems(submenu, favorite->Items, room);
    } else {
      const std::string path = favorite->Value;
      connect(menu->addAction(MenuCaption(favorite->Name)), &QAction::triggered, this,
              [this, path] { OpenFavorite(path); });
    }
  }
}

void TfrmVexilon::OpenFavorite(const std::string& path) {
  if (OpenCameraByPath(path, -1, -1, -1, -1, csMdiChild) == nullptr) {
    SetStatusText(QStringLiteral("Favorite not found in the catalogue: ") +
                  QString::fromLocal8Bit(path.data(), qsizetype(path.size())));
  }
}

TfrmCamera* TfrmVexilon::ActiveMdiCamera() const {
  QMdiSubWindow* active = FMdiArea->activeSubWindow();
  if (active == nullptr) active = FMdiArea->currentSubWindow();
  for (TfrmCamera* camera : FCameraWindows->Windows()) {
    if (active != nullptr && camera->SubWindow() == active) return camera;
  }
  // Without a focused window the merged menus still say which camera is meant.
  TfrmCamera* merged = FCameraWindows->Active();
  return merged != nullptr && merged->SubWindow() != nullptr ? merged : nullptr;
}

void TfrmVexilon::AddtoFavorites1Click() {
  TfrmVexilon* primary = PrimaryDesktop();
  TfrmCamera* camera = ActiveMdiCamera();
  if (camera == nullptr || primary == nullptr) {
    TDialogs::Information(this, QStringLiteral("No active camera window to add to favorites"));
    return;
  }
  QString name = QString::fromLocal8Bit(camera->CaptionBase());
  for (;;) {
    if (!TextQuery(QStringLiteral("Save Favorite As"),
                   QStringLiteral("What name do you want to give this entry in your favorites?"),
                   name))
      return;
    if (ValidFavoriteName(name)) break;
    TDialogs::Plain(this, QStringLiteral("Favorite name may not contain equals sign =, square "
                                         "brackets [ ] or be blank."));
  }
  auto favorite = std::make_unique<TFavorite>();
  favorite->Name = name.toLocal8Bit().toStdString();
  favorite->Value = camera->CatalogPath();
  primary->Catalogue()->Catalogue().FFavorites.push_back(std::move(favorite));
  primary->SetFavoritesChanged(true);
}

void TfrmVexilon::OrganizeFavorites1Click() {
  TfrmVexilon* primary = PrimaryDesktop();
  if (primary == nullptr) return;
  TfrmOrganizeFavorites dialog(this);
  if (dialog.Execute(primary->Catalogue()->Catalogue().FFavorites))
    primary->SetFavoritesChanged(true);
}

}  // namespace vexilon
