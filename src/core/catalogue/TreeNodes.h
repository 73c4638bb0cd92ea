#pragma once
#include <string>

namespace vexilon {

class TCamBase;

// One node of a tree view that shows a catalogue node. The core has no widgets: the UI
// implements this over its tree widget, tests over a plain in-memory tree.
class TTreeNode {
 public:
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
  virtual void SetData(TCamBase* data) = 0;
  virtual TCamBase* Data() const = 0;
  // 0: no image (an entry), 1: closed folder, 2: open folder.
  virtual void SetStateIndex(int index) = 0;
  virtual int StateIndex() const = 0;
  // The expand mark, shown even while the node has no child nodes yet.
  virtual void SetHasChildren(bool hasChildren) = 0;
  virtual bool HasChildren() const = 0;
  virtual bool Expanded() const = 0;
  virtual void SetExpanded(bool expanded) = 0;

 protected:
  ~TTreeNode() = default;
};

// The tree view's collection of nodes, through which the catalogue creates and deletes the
// nodes that show it.
class TTreeNodes {
 public:
  virtual ~TTreeNodes() = default;
  // A new last child of parent, or a new top-level node when parent is null.
  virtual TTreeNode* AddChild(TTreeNode* parent, const std::string& text, TCamBase* data) = 0;
  // A new first child of parent (top level when null).
  virtual TTreeNode* AddChildFirst(TTreeNode* parent, const std::string& text, TCamBase* data) = 0;
  // A new node just before the sibling before.
  virtual TTreeNode* Insert(TTreeNode* before, const std::string& text, TCamBase* data) = 0;
  // Deletes node together with any child nodes it still has.
  virtual void Delete(TTreeNode* node) = 0;
  // Brackets a batch of changes so that the view repaints once.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
};

}  // namespace vexilon
