#include "ui/catalogue/QtTreeNodes.h"
#include "ui/app/TextBytes.h"

#include <QApplication>
#include <QStyle>
#include <QTreeWidget>

namespace vexilon {

namespace {

QIcon StateIcon(int index) {
  switch (index) {
    case 1:
      return QApplication::style()->standardIcon(QStyle::SP_DirClosedIcon);
    case 2:
      return QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon);
    default:
      return QIcon();
  }
}

}  // namespace

TQtTreeNode::TQtTreeNode(const std::string& text, TCamBase* data)
    : QTreeWidgetItem(UserType), FData(data) {
  setText(0, FromBytes(text));
  setChildIndicatorPolicy(DontShowIndicatorWhenChildless);
  // Rows may be renamed in place; the tree asks the catalogue before an edit starts.
  setFlags(flags() | Qt::ItemIsEditable);
}

void TQtTreeNode::SetText(const std::string& text) {
  setText(0, FromBytes(text));
}

std::string TQtTreeNode::Text() const {
  return text(0).toLocal8Bit().toStdString();
}

void TQtTreeNode::SetStateIndex(int index) {
  FStateIndex = index;
  setIcon(0, StateIcon(index));
}

void TQtTreeNode::SetHasChildren(bool hasChildren) {
  setChildIndicatorPolicy(hasChildren ? ShowIndicator : DontShowIndicatorWhenChildless);
}

bool TQtTreeNode::HasChildren() const {
  return childIndicatorPolicy() == ShowIndicator || childCount() > 0;
}

bool TQtTreeNode::Expanded() const {
  return isExpanded();
}

void TQtTreeNode::SetExpanded(bool expanded) {
  setExpanded(expanded);
}

TQtTreeNodes::TQtTreeNodes(QTreeWidget* tree) : QObject(tree), FTree(tree) {
  connect(tree, &QTreeWidget::itemExpanded, this, &TQtTreeNodes::ItemExpanded);
  connect(tree, &QTreeWidget::itemCollapsed, this, &TQtTreeNodes::ItemCollapsed);
}

TQtTreeNode* TQtTreeNodes::NodeOf(QTreeWidgetItem* item) {
  return item != nullptr && item->type() == QTreeWidgetItem::UserType
             ? static_cast<TQtTreeNode*>(item)
             : nullptr;
}

TTreeNode* TQtTreeNodes::AddChild(TTreeNode* parent, const std::string& text, TCamBase* data) {
  auto* node = new TQtTreeNode(text, data);
  if (parent == nullptr)
    FTree->addTopLevelItem(node);
  else
    static_cast<TQtTreeNode*>(parent)->addChild(node);
  return node;
}

TTreeNode* TQtTreeNodes::AddChildFirst(TTreeNode* parent, const std::string& text, TCamBase* data) {
  auto* node = new TQtTreeNode(text, data);
  if (parent == nullptr)
    FTree->insertTopLevelItem(0, node);
  else
    static_cast<TQtTreeNode*>(parent)->insertChild(0, node);
  return node;
}

TTreeNode* TQtTreeNodes::Insert(TTreeNode* before, const std::string& text, TCamBase* data) {
  if (before == nullptr) return AddChild(nullptr, text, data);
  auto* sibling = static_cast<TQtTreeNode*>(before);
  auto* node = new TQtTreeNode(text, data);
  if (QTreeWidgetItem* parent = sibling->parent())
    parent->insertChild(parent->indexOfChild(sibling), node);
  else
    FTree->insertTopLevelItem(FTree->indexOfTopLevelItem(sibling), node);
  return node;
}

void TQtTreeNodes::Delete(TTreeNode* node) {
  // The item's destructor takes it out of the tree together with its child rows.
  delete static_cast<TQtTreeNode*>(node);
}

void TQtTreeNodes::BeginUpdate() {
  if (FUpdateDepth++ == 0) FTree->setUpdatesEnabled(false);
}

void TQtTreeNodes::EndUpdate() {
  if (FUpdateDepth > 0 && --FUpdateDepth == 0) FTree->setUpdatesEnabled(true);
}

TQtTreeNode* TQtTreeNodes::Selected() const {
  return NodeOf(FTree->currentItem());
}

void TQtTreeNodes::Select(TTreeNode* node) {
  FTree->setCurrentItem(static_cast<TQtTreeNode*>(node));
}

TQtTreeNode* TQtTreeNodes::NodeAt(const QPoint& viewportPos) const {
  return NodeOf(FTree->itemAt(viewportPos));
}

void TQtTreeNodes::ItemExpanded(QTreeWidgetItem* item) {
  TQtTreeNode* node = NodeOf(item);
  if (node == nullptr || FReopening) return;
  if (OnExpanding) OnExpanding(node);
  if (node->StateIndex() == 1) node->SetStateIndex(2);
  if (OnExpanded) OnExpanded(node);
}

void TQtTreeNodes::ItemCollapsed(QTreeWidgetItem* item) {
  TQtTreeNode* node = NodeOf(item);
  if (node == nullptr) return;
  if (OnCollapsing && !OnCollapsing(node)) {
    FReopening = true;
    node->setExpanded(true);
    FReopening = false;
    return;
  }
  if (node->StateIndex() == 2) node->SetStateIndex(1);
  if (OnCollapsed) OnCollapsed(node);
}

}  // namespace vexilon
