#pragma once
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/catalogue/TreeNodes.h"

namespace vexilon {

class TFakeTreeNode final : public TTreeNode {
 public:
  void SetText(const std::string& text) override { FText = text; }
  std::string Text() const override { return FText; }
  void SetData(TCamBase* data) override { FData = data; }
  TCamBase* Data() const override { return FData; }
  void SetStateIndex(int index) override { FStateIndex = index; }
  int StateIndex() const override { return FStateIndex; }
  void SetHasChildren(bool hasChildren) override { FHasChildren = hasChildren; }
  bool HasChildren() const override { return FHasChildren; }
  bool Expanded() const override { return FExpanded; }
  void SetExpanded(bool expanded) override { FExpanded = expanded; }

 private:
  friend class TFakeTreeNodes;
  std::string FText;
  TCamBase* FData = nullptr;
  int FStateIndex = 0;
  bool FHasChildren = false;
  bool FExpanded = false;
  TFakeTreeNode* FParent = nullptr;
  std::vector<std::unique_ptr<TFakeTreeNode>> FChildren;
};

// An in-memory tree view. Misuse (deleting a node twice, inserting next to a deleted node,
// unbalanced updates, a dump while an update is open) throws std::logic_error instead of
// corrupting memory, so tests see it.
class TFakeTreeNodes final : public TTreeNodes {
 public:
  TTreeNode* AddChild(TTreeNode* parent, const std::string& text, TCamBase* data) override;
  TTreeNode* AddChildFirst(TTreeNode* parent, const std::string& text, TCamBase* data) override;
  TTreeNode* Insert(TTreeNode* before, const std::string& text, TCamBase* data) override;
  void Delete(TTreeNode* node) override;
  void BeginUpdate() override { ++FUpdateDepth; }
  void EndUpdate() override;

  std::size_t Count() const { return FLive.size(); }
  int UpdateBatches() const { return FUpdateBatches; }

  // The tree as indented lines: text, "[state]", "+" for the has-children mark, "*" when
  // expanded, "!" when the node's data does not point back at a model node with this node.
  std::string Dump() const;

 private:
  TFakeTreeNode* Checked(TTreeNode* node) const;
  TTreeNode* Place(TFakeTreeNode* parent, std::size_t index, const std::string& text,
                   TCamBase* data);
  std::vector<std::unique_ptr<TFakeTreeNode>>& ListOf(TFakeTreeNode* parent);

  std::vector<std::unique_ptr<TFakeTreeNode>> FTop;
  std::set<const TTreeNode*> FLive;
  int FUpdateDepth = 0;
  int FUpdateBatches = 0;
};

}  // namespace vexilon
