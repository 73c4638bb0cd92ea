// The desktop window's menu bar: File, Desktop, Options, [camera window menus], Favorites,
// Window, Goto.
#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include "core/app/Settings.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/CameraWindows.h"

namespace vexilon {

QAction* TfrmVexilon::AddItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

namespace {

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption) {
  QMenu* menu = bar->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
  return menu;
}

QMenu* AddSubmenu(QMenu* parent, const char* name, const QString& caption) {
  QMenu* menu = parent->addMenu(caption);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
  return menu;
}

}  // namespace

void TfrmVexilon::BuildMenus() {
  BuildFileMenu();
  BuildDesktopMenu();
  BuildOptionsMenu();
  // A camera window's menus are inserted here, before Favorites (MergeChildMenus).
  BuildFavoritesMenu();
  BuildWindowMenu();
  BuildGotoMenu();
  BuildHelpMenu();
}

void TfrmVexilon::BuildFileMenu() {
  QMenu* menu = AddMenu(menuBar(), "File1", QStringLiteral("&File"));
  // Open and Save come alive when the catalogue hands in its handlers.
  AddItem(menu, "Open1", QStringLiteral("&Open"))->setEnabled(false);
  AddItem(menu, "Save1", QStringLiteral("&Save"))->setEnabled(false);
  connect(findChild<QAction*>("Open1"), &QAction::triggered, this, &TfrmVexilon::Open1Click);
  connect(findChild<QAction*>("Save1"), &QAction::triggered, this, &TfrmVexilon::Save1Click);
  menu->addSeparator();
  QAction* viewImage = AddItem(menu, "ViewImage1", QStringLiteral("&View Image"));
  viewImage->setShortcut(QKeySequence(Qt::ALT | Qt::Key_V));
  connect(viewImage, &QAction::triggered, this, &TfrmVexilon::ViewImage1Click);
  menu->addSeparator();
  QAction* exit = AddItem(menu, "Exit1", QStringLiteral("E&xit"));
  exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  connect(exit, &QAction::triggered, this, &TfrmVexilon::Exit1Click);
}

void TfrmVexilon::BuildDesktopMenu() {
  QMenu* menu = AddMenu(menuBar(), "Desktop1", QStringLiteral("&Desktop"));
  connect(AddItem(menu, "OpenDesktop1", QStringLiteral("&Open")), &QAction::triggered, this,
          &TfrmVexilon::OpenDesktop1Click);
  connect(AddItem(menu, "SaveDesktop1", QStringLiteral("&Save")), &QAction::triggered, this,
          &TfrmVexilon::SaveDesktop1Click);
  menu->addSeparator();
  connect(AddItem(menu, "CreateNew1", QStringLiteral("&Create New")), &QAction::triggered, this,
          &TfrmVexilon::CreateNew1Click);
  menu->addSeparator();
  QAction* record = AddItem(menu, "DesktopMultiCapture1", QStringLiteral("&Desktop Multi-Capture"));
  record->setCheckable(true);  // checked while this desktop records
  connect(record, &QAction::triggered, this, &TfrmVexilon::DesktopMultiCapture1Click);
  connect(AddItem(menu, "PlayMultiCapture1", QStringLiteral("&Play Multi-Capture")),
          &QAction::triggered, this, &TfrmVexilon::PlayMultiCapture1Click);
}

void TfrmVexilon::BuildOptionsMenu() {
  FOptionsMenu = AddMenu(menuBar(), "Options1", QStringLiteral("&Options"));
  QMenu* menu = FOptionsMenu;
  connect(menu, &QMenu::aboutToShow, this, &TfrmVexilon::Options1Click);
  connect(AddItem(menu, "Timeout1", QStringLiteral("&Timeout")), &QAction::triggered, this,
          &TfrmVexilon::Timeout1Click);
  connect(AddItem(menu, "ProxyServer1", QStringLiteral("&Proxy Server")), &QAction::triggered, this,
          &TfrmVexilon::ProxyServer1Click);
  connect(AddItem(menu, "Flashback1", QStringLiteral("&Flashback")), &QAction::triggered, this,
          &TfrmVexilon::Flashback1Click);
  QAction* audio = AddItem(menu, "AudioDevice1", QStringLiteral("&Audio Output"));
  audio->setCheckable(true);
  connect(audio, &QAction::triggered, this, &TfrmVexilon::AudioDevice1Click);
  connect(AddItem(menu, "AudioBufferSize1", QStringLiteral("Audio &Buffer Size")),
          &QAction::triggered, this, &TfrmVexilon::AudioBufferSize1Click);
  connect(AddItem(menu, "CPUUtilization1", QStringLiteral("&CPU Utilization")), &QAction::triggered,
          this, &TfrmVexilon::CPUUtilization1Click);
  menu->addSeparator();
  QAction* resetSize = AddItem(menu, "ResetImageSizes1", QStringLiteral("&Reset Default Sizes"));
  resetSize->setCheckable(true);
  connect(resetSize, &QAction::triggered, this, &TfrmVexilon::ResetImageSizes1Click);
  QAction* aspect = AddItem(menu, "MaintainAspectRatio1", QStringLiteral("&Maintain Aspect Ratio"));
  aspect->setCheckable(true);
  connect(aspect, &QAction::triggered, this, &TfrmVexilon::MaintainAspectRatio1Click);

  QMenu* reformat = AddSubmenu(menu, "WindowReformatting1", QStringLiteral("&Window Reformatting"));
  FReformatGroup = new QActionGroup(this);
  const char* const modes[][2] = {{"None1", "&None"},
                                  {"ResizeWindows1", "Resize &Windows"},
                                  {"AutoArrange1", "&Auto-Arrange"},
                                  {"AutoFitWindows1", "Auto-&Fit Windows"}};
  for (int mode = 0; mode < 4; ++mode) {
    QAction* item = AddItem(reformat, modes[mode][0], QString::fromLatin1(modes[mode][1]));
    item->setCheckable(true);
    FReformatGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, mode] { WindowReformattingClick(mode); });
  }
  menu->addSeparator();

  QMenu* associations = AddSubmenu(menu, "FileAssociations1", QStringLiteral("File Associations"));
  connect(associations, &QMenu::aboutToShow, this, &TfrmVexilon::FileAssociations1Click);
  const char* const types[][2] = {
      {"vxc1", "vx&c"}, {"vxd1", "vx&d"}, {"vxp1", "vx&p"}, {"vmc1", "v&mc"}, {"vxf1", "vx&f"}};
  for (int i = 0; i < 5; ++i) {
    QAction* item = AddItem(associations, types[i][0], QString::fromLatin1(types[i][1]));
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, i] { FileAssociationClick(i); });
  }
}

void TfrmVexilon::BuildFavoritesMenu() {
  FFavoritesMenu = AddMenu(menuBar(), "Favorites1", QStringLiteral("F&avorites"));
  connect(FFavoritesMenu, &QMenu::aboutToShow, this, &TfrmVexilon::Favorites1Click);
  connect(AddItem(FFavoritesMenu, "AddtoFavorites1", QStringLiteral("&Add to Favorites")),
          &QAction::triggered, this, &TfrmVexilon::AddtoFavorites1Click);
  connect(AddItem(FFavoritesMenu, "OrganizeFavorites1", QStringLiteral("&Organize Favorites")),
          &QAction::triggered, this, &TfrmVexilon::OrganizeFavorites1Click);
  // The favorites follow the separator.
  FFavoritesMenu->addSeparator()->setObjectName("N8");
}

void TfrmVexilon::BuildWindowMenu() {
  FWindowMenu = AddMenu(menuBar(), "Window1", QStringLiteral("&Window"));
  QMenu* menu = FWindowMenu;
  connect(menu, &QMenu::aboutToShow, this, &TfrmVexilon::Window1Click);
  connect(AddItem(menu, "ArrangeWindows1", QStringLiteral("Arrange &Windows")), &QAction::triggered,
          this, &TfrmVexilon::ArrangeWindows1Click);
  connect(AddItem(menu, "ArrangeIcons1", QStringLiteral("Arrange &Icons")), &QAction::triggered,
          this, &TfrmVexilon::ArrangeIcons1Click);
  connect(AddItem(menu, "Cascade1", QStringLiteral("&Cascade")), &QAction::triggered, FMdiArea,
          &QMdiArea::cascadeSubWindows);
  connect(AddItem(menu, "TileHorizontally1", QStringLiteral("Tile &Horizontally")),
          &QAction::triggered, this, [this] { TileClick(true); });
  connect(AddItem(menu, "TileVertically1", QStringLiteral("&Tile Vertically")), &QAction::triggered,
          this, [this] { TileClick(false); });
  connect(AddItem(menu, "MinimizeAll1", QStringLiteral("&Minimize All")), &QAction::triggered, this,
          &TfrmVexilon::MinimizeAll1Click);
  connect(AddItem(menu, "Close1", QStringLiteral("C&lose")), &QAction::triggered, FMdiArea,
          &QMdiArea::closeActiveSubWindow);
  connect(AddItem(menu, "CloseAll1", QStringLiteral("Cl&ose All")), &QAction::triggered,
          FCameraWindows, &TCameraWindows::CloseAll);
}

void TfrmVexilon::BuildGotoMenu() {
  QMenu* menu = AddMenu(menuBar(), "Goto1", QStringLiteral("&Goto"));
  const char* const links[][2] = {{"HomePage1", "Vexilon &Home Page"},
                                  {"CameraSite1", "Vexilon &Camera Site"},
                                  {"MessageBoard1", "Vexilon &Message Board"}};
  for (int i = 0; i < 3; ++i) {
    connect(AddItem(menu, links[i][0], QString::fromLatin1(links[i][1])), &QAction::triggered, this,
            [this, i] { OpenWebLink(i); });
  }
  menu->addSeparator();
  connect(AddItem(menu, "Version1", QStringLiteral("&Version")), &QAction::triggered, this,
          &TfrmVexilon::Version1Click);
}

void TfrmVexilon::BuildHelpMenu() {
  QMenu* menu = AddMenu(menuBar(), "Help1", QStringLiteral("&Help"));
  QAction* manual = AddItem(menu, "Manual1", QStringLiteral("&Manual"));
  manual->setShortcut(QKeySequence(Qt::Key_F1));
  connect(manual, &QAction::triggered, this, [this] { OpenWebLink(0); });
  connect(AddItem(menu, "About1", QStringLiteral("&About Vexilon")), &QAction::triggered, this,
          &TfrmVexilon::About1Click);
}

void TfrmVexilon::Options1Click() {
  const TSettings& settings = Settings();
  const QList<QAction*> modes = FReformatGroup->actions();
  if (settings.ResetClient >= 0 && settings.ResetClient < modes.size())
    modes[settings.ResetClient]->setChecked(true);
  findChild<QAction*>("ResetImageSizes1")->setChecked(settings.ResetSize);
  findChild<QAction*>("AudioDevice1")->setChecked(settings.AudioOutput);
  findChild<QAction*>("MaintainAspectRatio1")->setChecked(settings.Aspect);
}

void TfrmVexilon::Window1Click() {
  // The list of camera windows after the commands, the active one checked.
  for (QAction* item : FWindowListActions) {
    FWindowMenu->removeAction(item);
    delete item;
  }
  FWindowListActions.clear();
  const QList<QMdiSubWindow*> windows = FMdiArea->subWindowList();
  if (windows.isEmpty()) return;
  FWindowListActions.append(FWindowMenu->addSeparator());
  int number = 1;
  for (QMdiSubWindow* window : windows) {
    QString title = window->windowTitle();
    title.replace(QLatin1Char('&'), QLatin1String("&&"));
    const QString prefix =
        number < 10 ? QStringLiteral("&%1 ").arg(number) : QStringLiteral("%1 ").arg(number);
    QAction* item = FWindowMenu->addAction(prefix + title);
    ++number;
    item->setCheckable(true);
    item->setChecked(window == FMdiArea->activeSubWindow());
    connect(item, &QAction::triggered, FMdiArea,
            [this, window] { FMdiArea->setActiveSubWindow(window); });
    FWindowListActions.append(item);
  }
}

}  // namespace vexilon
