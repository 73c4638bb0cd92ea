#pragma once
#include <QObject>
#include <QTreeWidgetItem>
#include <functional>

#include "core/catalogue/TreeNodes.h"

class QPoint;
class QTreeWidget;

namespace vexilon {

// One row of the catalogue tree: a tree-widget item that the catalogue model drives through
// the core's node interface.
class TQtTreeNode : public QTreeWidgetItem, public TTreeNode {
 public:
  explicit TQtTreeNode(const std::string& text, TCamBase* data);
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void SetData(TCamBase* data) override { FData = data; }
  TCamBase* Data() const override { return FData; }
  void SetStateIndex(int index) override;
  int StateIndex() const override { return FStateIndex; }
  void SetHasChildren(bool hasChildren) override;
  bool HasChildren() const override;
  bool Expanded() const override;
  void SetExpanded(bool expanded) override;

 private:
  TCamBase* FData;
  int FStateIndex = 0;
};

// The catalogue tree's node collection over the main window's tree widget. Expanding a folder
// turns its closed-folder picture into an open one and back when it collapses; the model's
// work on expand and collapse comes in through the hooks.
class TQtTreeNodes : public QObject, public TTreeNodes {
  Q_OBJECT
 public:
  explicit TQtTreeNodes(QTreeWidget* tree);

  TTreeNode* AddChild(TTreeNode* parent, const std::string& text, TCamBase* data) override;
  TTreeNode* AddChildFirst(TTreeNode* parent, const std::string& text, TCamBase* data) override;
  TTreeNode* Insert(TTreeNode* before, const std::string& text, TCamBase* data) override;
  void Delete(TTreeNode* node) override;
  void BeginUpdate() override;
  void EndUpdate() override;

  QTreeWidget* Tree() const { return FTree; }
  // The node of an item of this tree; null for null.
  static TQtTreeNode* NodeOf(QTreeWidgetItem* item);
  TQtTreeNode* Selected() const;
  void Select(TTreeNode* node);
  TQtTreeNode* NodeAt(const QPoint& viewportPos) const;

  // Runs as a folder opens, before its child rows are seen: the model creates them here.
  std::function<void(TTreeNode*)> OnExpanding;
  std::function<void(TTreeNode*)> OnExpanded;
  // Answers whether node may close; a refused node is opened again at once.
  std::function<bool(TTreeNode*)> OnCollapsing;
  // After a folder closed: the model deletes the child rows here.
  std::function<void(TTreeNode*)> OnCollapsed;

 private:
  void ItemExpanded(QTreeWidgetItem* item);
  void ItemCollapsed(QTreeWidgetItem* item);

  QTreeWidget* FTree;
  int FUpdateDepth = 0;
  bool FReopening = false;
};

}  // namespace vexilon
