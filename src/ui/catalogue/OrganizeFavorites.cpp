#include "ui/catalogue/OrganizeFavorites.h"

#include <QDialogButtonBox>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "ui/app/Dialogs.h"
#include "ui/app/TextBytes.h"

namespace vexilon {
namespace {

constexpr int kClientWidth = 414;
constexpr int kClientHeight = 287;

// A node carries its favorite's path and its image: a plain favorite, or a closed or open
// folder.
constexpr int kValueRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

bool IsFolder(const QTreeWidgetItem* item) {
  return item != nullptr && item->data(0, kImageRole).toInt() != niFavorite;
}

void SetImage(QTreeWidgetItem* item, TNodeImage image, const TFavoritesTree& tree) {
  item->setData(0, kImageRole, int(image));
  item->setIcon(0, tree.Icon(image));
  if (image != niFavorite) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

QTreeWidgetItem* NewNode(const QString& name, const std::string& value) {
  auto* item = new QTreeWidgetItem(QStringList(name));
  item->setData(0, kValueRole, QByteArray::fromStdString(value));
  item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
                 Qt::ItemIsDropEnabled);
  return item;
}

// The nodes of list, built before they join the tree so that the tree takes them in one go.
QList<QTreeWidgetItem*> NodesOf(const TFavoriteList& list, const TFavoritesTree& tree) {
  QList<QTreeWidgetItem*> nodes;
  nodes.reserve(qsizetype(list.size()));
  for (const auto& favorite : list) {
    QTreeWidgetItem* item = NewNode(FromBytes(favorite->Name), favorite->Value);
    SetImage(item, favorite->IsFolder ? niClosedFolder : niFavorite, tree);
    if (favorite->IsFolder) item->addChildren(NodesOf(favorite->Items, tree));
    nodes.append(item);
  }
  return nodes;
}

std::unique_ptr<TFavorite> FavoriteOf(const QTreeWidgetItem* item) {
  auto favorite = std::make_unique<TFavorite>();
  favorite->Name = ToBytes(item->text(0));
  favorite->Value = item->data(0, kValueRole).toByteArray().toStdString();
  favorite->IsFolder = IsFolder(item);
  if (favorite->IsFolder) {
    for (int i = 0; i < item->childCount(); ++i)
      favorite->Items.push_back(FavoriteOf(item->child(i)));
  }
  return favorite;
}

// Whether item is node or lies below it.
bool WithinNode(const QTreeWidgetItem* item, const QTreeWidgetItem* node) {
  for (; item != nullptr; item = item->parent()) {
    if (item == node) return true;
  }
  return false;
}

QTreeWidgetItem* TakeNode(QTreeWidget* tree, QTreeWidgetItem* node) {
  if (QTreeWidgetItem* parent = node->parent())
    return parent->takeChild(parent->indexOfChild(node));
  return tree->takeTopLevelItem(tree->indexOfTopLevelItem(node));
}

// The folders a node may move into, each with its path, the top level first.
void CollectFolders(QTreeWidgetItem* parent, const QString& prefix, const QTreeWidgetItem* moving,
                    QList<QPair<QString, QTreeWidgetItem*>>& folders) {
  for (int i = 0; i < parent->childCount(); ++i) {
    QTreeWidgetItem* item = parent->child(i);
    if (!IsFolder(item) || item == moving) continue;
    const QString path =
        prefix.isEmpty() ? item->text(0) : prefix + QStringLiteral(" / ") + item->text(0);
    folders.append({path, item});
    CollectFolders(item, path, moving, folders);
  }
}

}  // namespace

// Tells the tree which editor is open, so that the dialog can end it.
class TFavoriteNameDelegate : public QStyledItemDelegate {
 public:
  explicit TFavoriteNameDelegate(TFavoritesTree* tree) : QStyledItemDelegate(tree), FTree(tree) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    FTree->FEditor = editor;
    return editor;
  }

 private:
  TFavoritesTree* FTree;
};

TFavoritesTree::TFavoritesTree(QWidget* parent) : QTreeWidget(parent) {
  setObjectName("tv");
  setHeaderHidden(true);
  setItemDelegate(new TFavoriteNameDelegate(this));
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setDragDropMode(QAbstractItemView::InternalMove);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Made once: a list of many favorites would otherwise make an icon for each.
  FIcons[0] = style()->standardIcon(QStyle::SP_FileLinkIcon);
  FIcons[1] = style()->standardIcon(QStyle::SP_DirClosedIcon);
  FIcons[2] = style()->standardIcon(QStyle::SP_DirOpenIcon);
}

bool TFavoritesTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool started = QTreeWidget::edit(index, trigger, event);
  if (started) emit EditingStarted(itemFromIndex(index));
  return started;
}

void TFavoritesTree::EndEditing() {
  if (FEditor == nullptr) return;
  QWidget* editor = FEditor;
  FEditor = nullptr;
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TFavoritesTree::dropEvent(QDropEvent* event) {
  if (event->source() != this || currentItem() == nullptr) {
    event->ignore();
    return;
  }
  auto* dialog = qobject_cast<TfrmOrganizeFavorites*>(window());
  if (dialog != nullptr) dialog->DropNode(currentItem(), itemAt(event->position().toPoint()));
  // The node has moved already; a move answer would have the view remove it once more.
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

TfrmOrganizeFavorites::TfrmOrganizeFavorites(QWidget* parent) : QDialog(parent) {
  setObjectName("frmOrganizeFavorites");
  setWindowTitle(QStringLiteral("Organize Favorites"));
  setFixedSize(kClientWidth, kClientHeight);

  auto* help = new QLabel(
      QStringLiteral("To create a new folder, click on the Create Folder button. To rename or "
                     "delete an item, click on the item and then click on Rename or Delete."),
      this);
  help->setWordWrap(true);
  auto* left = new QVBoxLayout;
  left->addWidget(help);
  const struct {
    const char* Name;
    const char* Caption;
    void (TfrmOrganizeFavorites::*Click)();
  } buttons[] = {
      {"btnCreateFolder", "&Create Folder", &TfrmOrganizeFavorites::btnCreateFolderClick},
      {"btnRename", "&Rename", &TfrmOrganizeFavorites::btnRenameClick},
      {"btnMove", "&Move to Folder", &TfrmOrganizeFavorites::btnMoveClick},
      {"btnDelete", "&Delete", &TfrmOrganizeFavorites::btnDeleteClick}};
  auto* grid = new QGridLayout;
  for (int i = 0; i < 4; ++i) {
    auto* button = new QPushButton(QString::fromLatin1(buttons[i].Caption), this);
    button->setObjectName(QString::fromLatin1(buttons[i].Name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, buttons[i].Click);
    grid->addWidget(button, i / 2, i % 2);
  }
  left->addLayout(grid);
  left->addStretch(1);

  tv = new TFavoritesTree(this);
  connect(tv, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* item) { SetImage(item, niOpenFolder, *tv); });
  connect(tv, &QTreeWidget::itemCollapsed, this,
          [this](QTreeWidgetItem* item) { SetImage(item, niClosedFolder, *tv); });
  connect(tv, &TFavoritesTree::EditingStarted, this,
          [this](QTreeWidgetItem* item) { FEditing = item; });
  connect(tv, &QTreeWidget::currentItemChanged, this, [this] { FEditing = nullptr; });

  auto* columns = new QHBoxLayout;
  columns->addLayout(left, 1);
  columns->addWidget(tv, 1);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->button(QDialogButtonBox::Ok)->setObjectName("btnOk");
  box->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
  connect(box, &QDialogButtonBox::accepted, this, &TfrmOrganizeFavorites::btnOkClick);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns, 1);
  layout->addWidget(box);
}

bool TfrmOrganizeFavorites::Execute(TFavoriteList& list) {
  Fill(list);
  if (QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  if (TDialogs::Exec(*this) != QDialog::Accepted) return false;
  list = Favorites();
  return true;
}

void TfrmOrganizeFavorites::Fill(const TFavoriteList& list) {
  tv->clear();
  tv->addTopLevelItems(NodesOf(list, *tv));
}

TFavoriteList TfrmOrganizeFavorites::Favorites() const {
  TFavoriteList list;
  for (int i = 0; i < tv->topLevelItemCount(); ++i) list.push_back(FavoriteOf(tv->topLevelItem(i)));
  return list;
}

void TfrmOrganizeFavorites::StartEditing(QTreeWidgetItem* item) {
  tv->setFocus();
  tv->setCurrentItem(item);
  tv->editItem(item);
}

void TfrmOrganizeFavorites::btnCreateFolderClick() {
  QTreeWidgetItem* parent = tv->currentItem();
  if (parent != nullptr && !IsFolder(parent)) parent = parent->parent();
  QTreeWidgetItem* folder = NewNode(QStringLiteral("New Folder"), std::string());
  if (parent != nullptr) {
    parent->addChild(folder);
    parent->setExpanded(true);
  } else {
    tv->addTopLevelItem(folder);
  }
  SetImage(folder, niClosedFolder, *tv);
  StartEditing(folder);
}

void TfrmOrganizeFavorites::btnRenameClick() {
  if (QTreeWidgetItem* item = tv->currentItem()) StartEditing(item);
}

void TfrmOrganizeFavorites::btnDeleteClick() {
  QTreeWidgetItem* item = tv->currentItem();
  if (item == nullptr) return;
  const QString question =
      IsFolder(item) ? QStringLiteral("Delete folder: \"%1\" and all subfolders and entries?")
                     : QStringLiteral("Delete entry: \"%1\"?");
  if (TDialogs::Confirm(this, question.arg(item->text(0)), QMessageBox::Yes | QMessageBox::No) !=
      QMessageBox::Yes)
    return;
  if (WithinNode(FEditing, item)) FEditing = nullptr;
  delete item;
}

void TfrmOrganizeFavorites::btnMoveClick() {
  QTreeWidgetItem* node = tv->currentItem();
  if (node == nullptr) return;
  QList<QPair<QString, QTreeWidgetItem*>> folders{{QStringLiteral("(Top level)"), nullptr}};
  CollectFolders(tv->invisibleRootItem(), QString(), node, folders);

  QDialog chooser(this);
  chooser.setObjectName("frmMoveToFolder");
  chooser.setWindowTitle(QStringLiteral("Move to Folder"));
  auto* list = new QListWidget(&chooser);
  list->setObjectName("lstFolders");
  for (const auto& folder : folders) list->addItem(folder.first);
  list->setCurrentRow(0);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &chooser);
  connect(box, &QDialogButtonBox::accepted, &chooser, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, &chooser, &QDialog::reject);
  connect(list, &QListWidget::itemDoubleClicked, &chooser, &QDialog::accept);
  auto* layout = new QVBoxLayout(&chooser);
  layout->addWidget(new QLabel(QStringLiteral("Move \"%1\" to:").arg(node->text(0)), &chooser));
  layout->addWidget(list);
  layout->addWidget(box);
  if (TDialogs::Exec(chooser) != QDialog::Accepted || list->currentRow() < 0) return;
  MoveInto(node, folders[list->currentRow()].second);
}

void TfrmOrganizeFavorites::btnOkClick() {
  if (FEditing != nullptr && FEditing == tv->currentItem()) {
    // The first OK after a rename ends the editing; the next one closes the dialog.
    tv->EndEditing();
    FEditing = nullptr;
    return;
  }
  accept();
}

void TfrmOrganizeFavorites::MoveInto(QTreeWidgetItem* node, QTreeWidgetItem* folder) {
  if (WithinNode(folder, node)) return;
  TakeNode(tv, node);
  if (folder != nullptr)
    folder->addChild(node);
  else
    tv->addTopLevelItem(node);
  tv->setCurrentItem(node);
}

void TfrmOrganizeFavorites::DropNode(QTreeWidgetItem* node, QTreeWidgetItem* target) {
  if (node == nullptr || WithinNode(target, node)) return;
  if (target == nullptr || IsFolder(target)) {
    MoveInto(node, target);
    return;
  }
  TakeNode(tv, node);
  if (QTreeWidgetItem* parent = target->parent())
    parent->insertChild(parent->indexOfChild(target), node);
  else
    tv->insertTopLevelItem(tv->indexOfTopLevelItem(target), node);
  tv->setCurrentItem(node);
}

}  // namespace vexilon
