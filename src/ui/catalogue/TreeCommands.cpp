// The catalogue tree's buttons, in-place renaming, drag and drop and the default-size update.
#include "ui/catalogue/TreeCommands.h"

#include <QMenu>
#include <QPushButton>
#include <algorithm>

#include "core/app/Settings.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CatalogueRules.h"
#include "ui/app/Dialogs.h"
#include "ui/app/MainWindow.h"
#include "ui/catalogue/CatalogueTree.h"
#include "ui/catalogue/EditorText.h"
#include "ui/catalogue/EntryEditor.h"
#include "ui/catalogue/GroupEditor.h"
#include "ui/catalogue/QtTreeNodes.h"

namespace vexilon {

namespace {

bool IsEntryNode(const TQtTreeNode* node) {
  return node->StateIndex() == 0;
}

bool IsPublishedGroup(const TQtTreeNode* node) {
  const TCamGroup* group = node->Data() != nullptr ? node->Data()->AsGroup() : nullptr;
  return group != nullptr && (group->Flags & kPublishedGroupFlag) != 0;
}

TQtTreeNode* ParentNode(const TQtTreeNode* node) {
  return TQtTreeNodes::NodeOf(node->parent());
}

}  // namespace

TCatalogueTreeCommands::TCatalogueTreeCommands(TfrmVexilon& window, TCatalogue& catalogue,
                                               TCatalogueTree& tree, QObject* parent)
    : QObject(parent), FWindow(window), FCatalogue(catalogue), FTree(tree) {
  BuildPopupMenu();
  ConnectTree();
  ConnectButtons();
}

TCatalogueTreeCommands::~TCatalogueTreeCommands() {
  FTree.OnEditing = nullptr;
  FTree.OnEdited = nullptr;
  FTree.OnRightPress = nullptr;
  FTree.OnDragDrop = nullptr;
  delete PopupMenu1;
}

void TCatalogueTreeCommands::ConnectTree() {
  FTree.OnEditing = [this](TQtTreeNode* node) { return _tvEditing(node); };
  FTree.OnEdited = [this](TQtTreeNode* node, const QString& text) { _tvEdited(node, text); };
  FTree.OnRightPress = [this](TQtTreeNode* node, const QPoint& pos) { _tvMouseDown(node, pos); };
  FTree.OnDragDrop = [this](TQtTreeNode* dragged, TQtTreeNode* target,
                            Qt::KeyboardModifiers modifiers) {
    _tvDragDrop(dragged, target, modifiers);
  };
  connect(&FTree, &QTreeWidget::itemDoubleClicked, this,
          [this] { OpenEntry(&FWindow, kMdiStyle, QString()); });
  FTree.OnOpenKey = [this] { OpenEntry(&FWindow, kMdiStyle, QString()); };
}

void TCatalogueTreeCommands::ConnectButtons() {
  const struct {
    const char* Name;
    void (TCatalogueTreeCommands::*Click)();
  } buttons[] = {{"btnNewGroup", &TCatalogueTreeCommands::btnNewGroupClick},
                 {"btnNewEntry", &TCatalogueTreeCommands::btnNewEntryClick},
                 {"btnDelete", &TCatalogueTreeCommands::btnDeleteClick},
                 {"btnEdit", &TCatalogueTreeCommands::btnEditClick}};
  for (const auto& b : buttons) {
    auto* button = FWindow.findChild<QPushButton*>(QString::fromLatin1(b.Name));
    if (button == nullptr) continue;
    connect(button, &QPushButton::clicked, this, b.Click);
    button->setEnabled(true);
  }
}

TQtTreeNode* TCatalogueTreeCommands::Selected() const {
  // Qt keeps a current row even when none is selected (after the selected row was deleted,
  // or when the tree takes the focus); only a row shown as selected counts.
  QTreeWidgetItem* item = FTree.currentItem();
  return item != nullptr && item->isSelected() ? TQtTreeNodes::NodeOf(item) : nullptr;
}

TQtTreeNode* TCatalogueTreeCommands::RootNode() const {
  return FCatalogue.FRoot != nullptr ? static_cast<TQtTreeNode*>(FCatalogue.FRoot->TreeNode())
                                     : nullptr;
}

TQtTreeNode* TCatalogueTreeCommands::TargetFolder() const {
  // New nodes go into the selected folder, the selected entry's folder, or the nearest folder
  // above that is not published.
  TQtTreeNode* node = Selected();
  while (node != nullptr && (IsEntryNode(node) || IsPublishedGroup(node))) node = ParentNode(node);
  return node != nullptr ? node : RootNode();
}

void TCatalogueTreeCommands::btnNewGroupClick() {
  TQtTreeNode* target = TargetFolder();
  if (target == nullptr || target->Data() == nullptr || target->Data()->AsRoot() == nullptr) return;
  TCamRoot* folder = target->Data()->AsRoot();
  TfrmEditGroup editor(&FWindow);
  if (TDialogs::Exec(editor) != QDialog::Accepted || !FTree.Holds(target)) return;
  FCatalogue.FCatalogChanged = true;
  auto group = std::make_unique<TCamGroup>(FWindow.TreeNodes());
  editor.StoreToGroup(*group);
  target->SetExpanded(true);
  auto* placed = static_cast<TCamGroup*>(folder->AddChild(std::move(group)));
  target->SetStateIndex(target->Expanded() ? 2 : 1);
  if (placed->Flags & kSubGroupFlag) FCatalogue.LoadSubGroup(*placed, 0);
  ShowNode(placed);
}

void TCatalogueTreeCommands::btnNewEntryClick() {
  TQtTreeNode* target = TargetFolder();
  if (target == nullptr || target->Data() == nullptr || target->Data()->AsRoot() == nullptr) return;
  TCamRoot* folder = target->Data()->AsRoot();
  TfrmEntry editor(&FWindow);
  editor.SetFolder(folder);
  if (TDialogs::Exec(editor) != QDialog::Accepted || !FTree.Holds(target)) return;
  FCatalogue.FCatalogChanged = true;
  auto entry = std::make_unique<TCamItem>(FWindow.TreeNodes());
  editor.StoreToEntry(*entry);
  // The new entry is shown at once, even as the first one of an empty catalogue.
  target->SetExpanded(true);
  TCamBase* placed = folder->AddChild(std::move(entry));
  target->SetStateIndex(target->Expanded() ? 2 : 1);
  ShowNode(placed);
}

void TCatalogueTreeCommands::ShowNode(TCamBase* node) {
  if (node == nullptr) return;
  // Rows exist only inside open folders: the folders are opened from the outside in.
  std::vector<TCamRoot*> folders;
  for (TCamRoot* parent = node->Parent(); parent != nullptr; parent = parent->Parent())
    folders.push_back(parent);
  for (auto it = folders.rbegin(); it != folders.rend(); ++it)
    if ((*it)->TreeNode() != nullptr) (*it)->TreeNode()->SetExpanded(true);
  if (TTreeNode* row = node->TreeNode()) FWindow.TreeNodes()->Select(row);
}

void TCatalogueTreeCommands::btnEditClick() {
  EditSelected();
}

bool TCatalogueTreeCommands::EditEntryAt(const std::string& catalogPath) {
  TCamBase* node =
      FCatalogue.FRoot != nullptr ? FindByPath(*FCatalogue.FRoot, catalogPath) : nullptr;
  if (node == nullptr || node->AsItem() == nullptr) {
    TDialogs::Information(&FWindow, QStringLiteral("This camera's entry is no longer in the "
                                                   "catalogue: ") +
                                        FromBytes(catalogPath));
    return false;
  }
  ShowNode(node);
  return EditSelected();
}

bool TCatalogueTreeCommands::EditSelected() {
  TQtTreeNode* node = Selected();
  TCamBase* model = node != nullptr ? node->Data() : nullptr;
  if (model == nullptr) return false;
  // The editors are modal, yet the row is looked at again afterwards rather than trusted.
  auto stillShown = [&] { return FTree.Holds(node) && node->Data() == model; };
  if (TCamGroup* group = model->AsGroup()) {
    TfrmEditGroup editor(&FWindow);
    editor.LoadFromGroup(*group);
    if (TDialogs::Exec(editor) != QDialog::Accepted || !stillShown()) return false;
    editor.StoreToGroup(*group);
    node->SetText(group->Name);
    FCatalogue.FCatalogChanged = true;
  } else if (TCamItem* entry = model->AsItem()) {
    TfrmEntry editor(&FWindow);
    editor.SetFolder(entry->Parent());
    editor.LoadFromEntry(*entry);
    if (TDialogs::Exec(editor) != QDialog::Accepted || !stillShown()) return false;
    FCatalogue.FCatalogChanged = true;
    editor.StoreToEntry(*entry);
    node->SetText(entry->Name);
  }
  return true;
}

void TCatalogueTreeCommands::btnDeleteClick() {
  TQtTreeNode* node = Selected();
  if (node == nullptr || node == RootNode() || node->Data() == nullptr) return;
  TCamBase* model = node->Data();
  TCamRoot* parent = model->Parent();
  if (parent == nullptr) return;
  // A group that holds entries is worth a question; a single entry goes at once.
  if (model->AsGroup() != nullptr) {
    std::size_t entries = 0;
    std::vector<const TCamBase*> pending{model};
    while (!pending.empty()) {
      const TCamBase* at = pending.back();
      pending.pop_back();
      if (at->AsItem() != nullptr) ++entries;
      if (const TCamRoot* folder = at->AsRoot())
        for (const auto& child : folder->Children()) pending.push_back(child.get());
    }
    if (entries > 0 && TDialogs::Confirm(&FWindow,
                                         QStringLiteral("Delete group \"%1\" and its %2 %3?")
                                             .arg(FromBytes(model->Name))
                                             .arg(entries)
                                             .arg(entries == 1 ? QStringLiteral("entry")
                                                               : QStringLiteral("entries")),
                                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
  }
  // Gone at once, with everything inside, but kept for Undo; open camera windows run on
  // their own copies.
  FDeletedAt = std::size_t(std::max<std::ptrdiff_t>(0, parent->IndexOf(model)));
  FDeletedFrom = parent;
  FDeleted = parent->RemoveChild(model);
  // Marked as a change, unlike a plain rule would have it: otherwise closing the viewer
  // drops the deletion without asking, and No at that question is the way back.
  FCatalogue.FCatalogChanged = true;
  // The row Qt moved to becomes the selection, so that what Delete acts on is always shown.
  if (QTreeWidgetItem* next = FTree.currentItem()) FTree.setCurrentItem(next);
}

void TCatalogueTreeCommands::UndoDeleteClick() {
  if (!FDeleted || FCatalogue.FRoot == nullptr) return;
  // The folder it came from may have gone since; then it comes back at the top.
  TCamRoot* folder = FCatalogue.FRoot.get();
  std::vector<TCamRoot*> pending{folder};
  while (!pending.empty()) {
    TCamRoot* at = pending.back();
    pending.pop_back();
    if (at == FDeletedFrom) {
      folder = at;
      break;
    }
    for (const auto& child : at->Children())
      if (TCamRoot* inner = child->AsRoot()) pending.push_back(inner);
  }
  if (folder->TreeNode() != nullptr) folder->TreeNode()->SetExpanded(true);
  TCamBase* before = FDeletedAt < folder->ChildCount() ? folder->Child(FDeletedAt) : nullptr;
  TCamBase* placed = folder->InsertBefore(before, std::move(FDeleted));
  FDeletedFrom = nullptr;
  FCatalogue.FCatalogChanged = true;
  ShowNode(placed);
}

bool TCatalogueTreeCommands::_tvEditing(TQtTreeNode* node) const {
  return node != RootNode();
}

void TCatalogueTreeCommands::_tvEdited(TQtTreeNode* node, const QString& text) {
  if (node->Data() == nullptr) return;
  // The stored name loses its ":" (they separate catalogue paths); the row keeps the text.
  const std::string before = node->Data()->Name;
  node->Data()->SetName(ToBytes(text));
  node->setText(0, text);
  // A rename is a change to save like any other, or closing would lose it silently.
  if (node->Data()->Name != before) FCatalogue.FCatalogChanged = true;
}

void TCatalogueTreeCommands::_tvDragDrop(TQtTreeNode* dragged, TQtTreeNode* target,
                                         Qt::KeyboardModifiers modifiers) {
  TCamBase* moved = dragged->Data();
  TCamBase* onto = target->Data();
  if (moved == nullptr || onto == nullptr) return;
  if (onto->AsGroup() != nullptr && (modifiers & Qt::ShiftModifier))
    moved->MoveTo(onto, TMoveMode::Insert);
  else if (onto->AsRoot() != nullptr)
    moved->MoveTo(onto, TMoveMode::AddChild);
  else
    moved->MoveTo(onto, TMoveMode::Insert);
  if (TTreeNode* row = moved->TreeNode()) FWindow.TreeNodes()->Select(row);
  FCatalogue.FCatalogChanged = true;
}

void TCatalogueTreeCommands::ImageSize(int width, int height, const std::string& catalogPath) {
  TQtTreeNode* root = RootNode();
  if (root == nullptr || !Settings().ResetSize) return;
  // Along the rows, not the model: each part is the first row of that text among its siblings.
  QTreeWidgetItem* parent = root;
  QTreeWidgetItem* row = nullptr;
  std::size_t start = 0;
  while (true) {
    const std::size_t colon = catalogPath.find(':', start);
    const std::string part = catalogPath.substr(start, colon - start);
    row = nullptr;
    for (int i = 0; i < parent->childCount(); ++i) {
      if (ToBytes(parent->child(i)->text(0)) == part) {
        row = parent->child(i);
        break;
      }
    }
    if (row == nullptr || colon == std::string::npos) break;
    parent = row;
    start = colon + 1;
  }
  TQtTreeNode* node = TQtTreeNodes::NodeOf(row);
  TCamItem* entry = node != nullptr && node->Data() != nullptr ? node->Data()->AsItem() : nullptr;
  if (entry == nullptr) return;
  if (entry->Video().Width != width || entry->Video().Height != height) {
    entry->Video().Width = width;
    entry->Video().Height = height;
    FCatalogue.FCatalogChanged = true;
  }
}

}  // namespace vexilon
