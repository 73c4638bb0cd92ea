#include "ui/catalogue/CatalogueTree.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidgetItemIterator>

#include "ui/catalogue/QtTreeNodes.h"

namespace vexilon {

TDragItem::TDragItem(TCatalogueTree* tree, TQtTreeNode* node)
    : FTree(tree), FNode(node), FModelNode(node != nullptr ? node->Data() : nullptr) {
  if (FTree) FTree->FDragging = true;
}

TDragItem::~TDragItem() {
  if (FTree) FTree->FDragging = false;
}

void TDragItem::Forget() {
  FNode = nullptr;
  FModelNode = nullptr;
}

// In-place editing hands the typed text to the tree's owner instead of writing it into the
// row: the catalogue stores the name its own way and then decides what the row shows.
class TCatalogueTree::TNameDelegate : public QStyledItemDelegate {
 public:
  explicit TNameDelegate(TCatalogueTree* tree) : QStyledItemDelegate(tree), FTree(tree) {}

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    TQtTreeNode* node = TQtTreeNodes::NodeOf(FTree->itemFromIndex(index));
    if (line != nullptr && node != nullptr && FTree->OnEdited) FTree->OnEdited(node, line->text());
  }

 private:
  TCatalogueTree* FTree;
};

TCatalogueTree::TCatalogueTree(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setHeaderHidden(true);
  // Long names scroll sideways rather than being cut short in the narrow panel.
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  setRootIsDecorated(false);
  setIndentation(19);
  setSelectionMode(SingleSelection);
  // A double click opens an entry; renaming starts with F2 or a click on the selected row.
  setEditTriggers(EditKeyPressed | SelectedClicked);
  setItemDelegate(new TNameDelegate(this));
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(DragDrop);
  setDropIndicatorShown(false);
  // The right button belongs to the catalogue's own menu, which opens on the press.
  setContextMenuPolicy(Qt::PreventContextMenu);
}

bool TCatalogueTree::Holds(const QTreeWidgetItem* item) const {
  if (item == nullptr) return false;
  for (QTreeWidgetItemIterator it(const_cast<TCatalogueTree*>(this)); *it != nullptr; ++it) {
    if (*it == item) return true;
  }
  return false;
}

TDragItem* TCatalogueTree::CreateDragItem() {
  TQtTreeNode* node = TQtTreeNodes::NodeOf(currentItem());
  return node != nullptr ? new TDragItem(this, node) : nullptr;
}

bool TCatalogueTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // NoEditTriggers only passes events on to an editor that is already open.
  if (trigger != NoEditTriggers) {
    TQtTreeNode* node = TQtTreeNodes::NodeOf(itemFromIndex(index));
    if (node == nullptr || (OnEditing && !OnEditing(node))) return false;
  }
  return QTreeWidget::edit(index, trigger, event);
}

void TCatalogueTree::startDrag(Qt::DropActions) {
  TDragItem* data = CreateDragItem();
  if (data == nullptr) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  const QRect rect = visualItemRect(data->Node());
  drag->setPixmap(viewport()->grab(rect));
  drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rect.topLeft());
  // Whatever the drop did was done by the catalogue; Qt is not to remove the source row.
  drag->exec(Qt::MoveAction, Qt::MoveAction);
}

TQtTreeNode* TCatalogueTree::DropTarget(const QMimeData* data, const QPoint& pos) const {
  const auto* item = qobject_cast<const TDragItem*>(data);
  if (item == nullptr || item->Tree() != this || item->Node() == nullptr) return nullptr;
  TQtTreeNode* target = TQtTreeNodes::NodeOf(itemAt(pos));
  if (target == nullptr || target == item->Node() || !Holds(item->Node())) return nullptr;
  return target;
}

void TCatalogueTree::SetDropHighlight(QTreeWidgetItem* item) {
  if (item == FDropHighlight) return;
  FDropHighlight = item;
  viewport()->update();
}

void TCatalogueTree::EndDragState() {
  stopAutoScroll();
  setState(NoState);
  SetDropHighlight(nullptr);
}

void TCatalogueTree::dragEnterEvent(QDragEnterEvent* event) {
  const auto* item = qobject_cast<const TDragItem*>(event->mimeData());
  if (item == nullptr || item->Tree() != this) {
    event->ignore();
    return;
  }
  setState(DraggingState);
  event->acceptProposedAction();
}

void TCatalogueTree::dragMoveEvent(QDragMoveEvent* event) {
  // The base class scrolls the tree while the pointer rests near its top or bottom edge.
  QTreeWidget::dragMoveEvent(event);
  TQtTreeNode* target = DropTarget(event->mimeData(), event->position().toPoint());
  SetDropHighlight(target);
  if (target != nullptr) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void TCatalogueTree::dragLeaveEvent(QDragLeaveEvent* event) {
  QTreeWidget::dragLeaveEvent(event);
  SetDropHighlight(nullptr);
}

void TCatalogueTree::dropEvent(QDropEvent* event) {
  EndDragState();
  TQtTreeNode* target = DropTarget(event->mimeData(), event->position().toPoint());
  if (target == nullptr) {
    event->ignore();
    return;
  }
  auto* item = const_cast<TDragItem*>(qobject_cast<const TDragItem*>(event->mimeData()));
  TQtTreeNode* dragged = item->Node();
  // The catalogue may delete the dragged row; nothing may reach it through the drag again.
  item->Forget();
  event->setDropAction(Qt::MoveAction);
  event->accept();
  if (OnDragDrop) OnDragDrop(dragged, target, event->modifiers());
}

void TCatalogueTree::keyPressEvent(QKeyEvent* event) {
  const bool open = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (open && state() != EditingState && OnOpenKey) {
    event->accept();
    OnOpenKey();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void TCatalogueTree::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    QTreeWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  if (OnRightPress) {
    OnRightPress(TQtTreeNodes::NodeOf(itemAt(event->position().toPoint())),
                 event->globalPosition().toPoint());
  }
}

void TCatalogueTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  if (FDropHighlight == nullptr || itemFromIndex(index) != FDropHighlight) {
    QTreeWidget::drawRow(painter, option, index);
    return;
  }
  // The row a drop would land on is shown as selected while the pointer is over it.
  QStyleOptionViewItem highlighted(option);
  highlighted.state |= QStyle::State_Selected | QStyle::State_Active;
  QTreeWidget::drawRow(painter, highlighted, index);
}

}  // namespace vexilon
