#pragma once
#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QTreeWidget>

#include "core/catalogue/Favorites.h"

class QPushButton;
class QStyledItemDelegate;

namespace vexilon {

// A node's image: a plain favorite, or a closed or open folder.
enum TNodeImage { niFavorite = 0, niClosedFolder = 1, niOpenFolder = 2 };

// The organiser's tree: drops follow the favorites' own rules, and the dialog learns when a
// name starts being edited.
class TFavoritesTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TFavoritesTree(QWidget* parent);
  // Ends an edit in progress, keeping the typed text.
  void EndEditing();
  const QIcon& Icon(TNodeImage image) const { return FIcons[image]; }

 signals:
  void EditingStarted(QTreeWidgetItem* item);

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QPointer<QWidget> FEditor;
  QIcon FIcons[3];
  friend class TFavoriteNameDelegate;
};

// Edits a copy of the favorites in a tree: folders, renaming, deleting, moving by drag and drop
// or into a chosen folder. OK hands the copy back.
class TfrmOrganizeFavorites : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmOrganizeFavorites(QWidget* parent = nullptr);

  // Shows the dialog on a copy of list; OK replaces list with the copy and answers true.
  bool Execute(TFavoriteList& list);

  // Fills the tree from list without showing the dialog (Execute does this first).
  void Fill(const TFavoriteList& list);
  // The favorites the tree holds now.
  TFavoriteList Favorites() const;

  void btnCreateFolderClick();
  void btnRenameClick();
  void btnDeleteClick();
  void btnMoveClick();
  void btnOkClick();
  // Moves node as a drop on target does: before a plain favorite, last into a folder, to the
  // end of the top level on empty space (null). A folder never moves into itself or below.
  void DropNode(QTreeWidgetItem* node, QTreeWidgetItem* target);

  TFavoritesTree* Tree() const { return tv; }

 private:
  void MoveInto(QTreeWidgetItem* node, QTreeWidgetItem* folder);
  void StartEditing(QTreeWidgetItem* item);

  TFavoritesTree* tv = nullptr;
  QTreeWidgetItem* FEditing = nullptr;  // the node whose name editing began last
};

}  // namespace vexilon
