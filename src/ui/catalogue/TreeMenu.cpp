// The catalogue tree's context menu: opening entries as camera windows, capturing an entry's
// raw stream, and importing and exporting parts of the catalogue.
#include <QActionGroup>
#include <QMenu>
#include <exception>

#include "core/app/ProgramPath.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CatalogueRules.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/catalogue/CatalogueTree.h"
#include "ui/catalogue/EditorText.h"
#include "ui/catalogue/QtTreeNodes.h"
#include "ui/catalogue/TreeCommands.h"

namespace vexilon {

namespace {

QString ConnectionFilter() {
  return QStringLiteral("Connection Files (*.vxc)");
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

}  // namespace

void TCatalogueTreeCommands::BuildPopupMenu() {
  PopupMenu1 = new QMenu(&FWindow);
  PopupMenu1->setObjectName("PopupMenu1");
  QMenu* open = PopupMenu1->addMenu(QStringLiteral("&Open"));
  open->setObjectName("popupOpenMenu");
  popupOpen = open->menuAction();
  popupOpen->setObjectName("popupOpen");
  PopupMenu1->setDefaultAction(popupOpen);
  asMDIWindow1 = AddItem(open, "asMDIWindow1", QStringLiteral("as &MDI Window"));
  open->setDefaultAction(asMDIWindow1);
  QAction* asPopup = AddItem(open, "asPopupWindow1", QStringLiteral("as &Popup Window"));
  QAction* capture = AddItem(PopupMenu1, "CaptureOutput1", QStringLiteral("&Capture Output..."));
  QAction* import = AddItem(PopupMenu1, "Import1", QStringLiteral("&Import"));
  QAction* exportItem = AddItem(PopupMenu1, "Export1", QStringLiteral("&Export"));
  PopupMenu1->addSeparator();
  UndoDelete1 = AddItem(PopupMenu1, "UndoDelete1", QStringLiteral("&Undo Delete"));
  UndoDelete1->setShortcut(QKeySequence::Undo);
  UndoDelete1->setShortcutContext(Qt::WidgetShortcut);
  FTree.addAction(UndoDelete1);  // Ctrl+Z works in the tree without the menu
  connect(UndoDelete1, &QAction::triggered, this, &TCatalogueTreeCommands::UndoDeleteClick);

  connect(PopupMenu1, &QMenu::aboutToShow, this, &TCatalogueTreeCommands::PopupMenu1Popup);
  connect(open, &QMenu::aboutToShow, this, &TCatalogueTreeCommands::popupOpenClick);
  connect(asMDIWindow1, &QAction::triggered, this, &TCatalogueTreeCommands::asMDIWindow1Click);
  connect(asPopup, &QAction::triggered, this,
          [this] { OpenEntry(&FWindow, kPopupStyle, QString()); });
  connect(capture, &QAction::triggered, this, &TCatalogueTreeCommands::CaptureOutput1Click);
  connect(import, &QAction::triggered, this, &TCatalogueTreeCommands::Import1Click);
  connect(exportItem, &QAction::triggered, this, &TCatalogueTreeCommands::Export1Click);
}

TQtTreeNode* TCatalogueTreeCommands::PopupNode() const {
  return FTree.Holds(FPopupNode) ? FPopupNode : nullptr;
}

std::vector<TDesktopChoice> TCatalogueTreeCommands::Desktops() const {
  if (DesktopWindows) return DesktopWindows();
  return {{QStringLiteral("Primary"), &FWindow}};
}

void TCatalogueTreeCommands::_tvMouseDown(TQtTreeNode* node, const QPoint& globalPos) {
  FPopupNode = node;
  if (node == nullptr) return;
  FWindow.TreeNodes()->Select(node);
  PopupMenu1->popup(globalPos);
}

void TCatalogueTreeCommands::PopupMenu1Popup() {
  TQtTreeNode* node = Selected();
  popupOpen->setVisible(node != nullptr && node->StateIndex() == 0);
  UndoDelete1->setEnabled(CanUndoDelete());
}

void TCatalogueTreeCommands::popupOpenClick() {
  // Rebuilt each time: desktop windows come and go.
  if (FDesktopMenu != nullptr) {
    asMDIWindow1->setMenu(nullptr);
    delete FDesktopMenu;
    FDesktopMenu = nullptr;
  }
  const std::vector<TDesktopChoice> desktops = Desktops();
  if (desktops.size() < 2) return;
  FDesktopMenu = new QMenu(PopupMenu1);
  FDesktopMenu->setObjectName("asMDIWindow1Menu");
  auto* group = new QActionGroup(FDesktopMenu);
  for (const TDesktopChoice& desktop : desktops) {
    QAction* item = FDesktopMenu->addAction(desktop.Name);
    item->setCheckable(true);
    item->setChecked(desktop.Window == &FWindow);
    group->addAction(item);
    TfrmVexilon* window = desktop.Window;
    connect(item, &QAction::triggered, this,
            [this, window] { OpenEntry(window, kMdiStyle, QString()); });
  }
  asMDIWindow1->setMenu(FDesktopMenu);
}

void TCatalogueTreeCommands::asMDIWindow1Click() {
  // With several desktops the item only opens its submenu.
  if (asMDIWindow1->menu() != nullptr) return;
  const std::vector<TDesktopChoice> desktops = Desktops();
  OpenEntry(desktops.empty() ? &FWindow : desktops.front().Window, kMdiStyle, QString());
}

void TCatalogueTreeCommands::CaptureOutput1Click() {
  const QString file =
      TDialogs::SaveFileName(&FWindow, QStringLiteral("Capture Output"), FromBytes(ProgramFolder()),
                             QStringLiteral("Captures Files (*.bin)"), QStringLiteral("bin"));
  if (file.isEmpty()) return;
  OpenEntry(&FWindow, kMdiStyle, file);
}

void TCatalogueTreeCommands::OpenEntry(TfrmVexilon* window, int style, const QString& captureFile) {
  TQtTreeNode* node = Selected();
  if (node == nullptr || node->StateIndex() != 0 || node->Data() == nullptr) return;
  const TCamItem* entry = node->Data()->AsItem();
  if (entry == nullptr) return;
  TCamOpenRequest request;
  request.Video = CopyConnect(entry->Video());
  request.Audio = CopyConnect(entry->Audio());
  ApplyFromTree(EffectiveConnection(*entry), *request.Video, *request.Audio);
  request.Name = entry->Name;
  request.CatalogPath = CatalogPath(*entry);
  request.Style = style;
  request.CaptureFile = captureFile;
  request.Desktop = window != nullptr ? window : &FWindow;
  if (OnOpenEntry) OnOpenEntry(request);
}

void TCatalogueTreeCommands::Import1Click() {
  TQtTreeNode* node = PopupNode();
  if (node == nullptr || node->Data() == nullptr) return;
  const QString file = TDialogs::OpenFileName(&FWindow, QStringLiteral("Import"),
                                              FromBytes(ProgramFolder()), ConnectionFilter());
  if (file.isEmpty() || !FTree.Holds(node)) return;
  FCatalogue.Import(ToBytes(file), node->Data());
  // The load rebuilt the rows below the root; the row pressed on may be gone.
  FPopupNode = nullptr;
}

void TCatalogueTreeCommands::Export1Click() {
  TQtTreeNode* node = PopupNode();
  if (node == nullptr || node->Data() == nullptr) return;
  const QString file =
      TDialogs::SaveFileName(&FWindow, QStringLiteral("Export"), FromBytes(ProgramFolder()),
                             ConnectionFilter(), QStringLiteral("vxc"));
  if (file.isEmpty() || !FTree.Holds(node)) return;
  try {
    const TSaveResult result = FCatalogue.Export(ToBytes(file), node->Data());
    for (const TCatalogueMessage& message : result.Messages) {
      if (message.Kind == TCatalogueMessage::ErrorBox)
        TDialogs::Error(&FWindow, FromBytes(message.Text));
      else
        TDialogs::Plain(&FWindow, FromBytes(message.Text));
    }
  } catch (const std::exception& e) {
    TDialogs::Error(&FWindow, FromBytes(e.what()));
  }
}

}  // namespace vexilon
