#pragma once
#include <QMimeData>
#include <QPointer>
#include <QTreeWidget>
#include <functional>

class QPoint;

namespace vexilon {

class TCamBase;
class TQtTreeNode;
class TCatalogueTree;

// What a drag inside the catalogue tree carries: the tree it started in, the dragged row and
// the catalogue node that row shows. The tree counts as dragging while one exists.
class TDragItem : public QMimeData {
  Q_OBJECT
 public:
  TDragItem(TCatalogueTree* tree, TQtTreeNode* node);
  ~TDragItem() override;

  TCatalogueTree* Tree() const { return FTree; }
  // Null once the drop was handled: the row may be gone by then.
  TQtTreeNode* Node() const { return FNode; }
  TCamBase* ModelNode() const { return FModelNode; }
  void Forget();

 private:
  QPointer<TCatalogueTree> FTree;
  TQtTreeNode* FNode;
  TCamBase* FModelNode;
};

// The catalogue's tree view. Qt's drag and drop and in-place editing run as usual, but the
// tree never moves or renames a row by itself: it asks the owner, which changes the catalogue,
// and the rows follow the catalogue.
class TCatalogueTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TCatalogueTree(QWidget* parent = nullptr);

  bool Dragging() const { return FDragging; }
  // True when item is a row of this tree now (rows come and go with folders).
  bool Holds(const QTreeWidgetItem* item) const;
  // The drag object for the selected row, as a drag starts; null without a selection.
  TDragItem* CreateDragItem();

  // Answers whether node may be renamed.
  std::function<bool(TQtTreeNode*)> OnEditing;
  // The text typed for node when an edit ends.
  std::function<void(TQtTreeNode*, const QString&)> OnEdited;
  // A right button press; node is null over empty space.
  std::function<void(TQtTreeNode*, const QPoint& globalPos)> OnRightPress;
  // Return or Enter on the selected row (not while renaming it).
  std::function<void()> OnOpenKey;
  // A drop of dragged onto target (both rows of this tree).
  std::function<void(TQtTreeNode* dragged, TQtTreeNode* target, Qt::KeyboardModifiers)> OnDragDrop;

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

 private:
  friend class TDragItem;
  class TNameDelegate;

  // The row a drop at pos would land on, or null when the drop is not accepted there.
  TQtTreeNode* DropTarget(const QMimeData* data, const QPoint& pos) const;
  void SetDropHighlight(QTreeWidgetItem* item);
  void EndDragState();

  bool FDragging = false;
  QTreeWidgetItem* FDropHighlight = nullptr;
};

}  // namespace vexilon
