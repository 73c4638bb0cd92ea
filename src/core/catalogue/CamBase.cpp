#include <stdexcept>
#include <vector>

#include "core/catalogue/CamNodes.h"
#include "core/catalogue/RecordText.h"

namespace vexilon {

TCamBase::TCamBase(TTreeNodes* nodes) : FNodes(nodes) {}

TCamBase::~TCamBase() {
  // A parent frees its children only after taking them out of its list, so all that is left
  // is the tree node, which must not outlive the object it points at.
  if (FTreeNode != nullptr && FNodes != nullptr) FNodes->Delete(FTreeNode);
}

std::string TCamBase::GetRecordText() const {
  return "DATA=(" + GetDataText() + ")";
}

void TCamBase::SetRecordText(std::string_view text) {
  TRecordFields fields(text);
  std::string storage;
  SetDataText(fields.ValueView("DATA", storage));
}

std::unique_ptr<TCamBase> TCamBase::SetParent(TCamRoot* parent) {
  if (parent == FParent) {
    UpdateLevels();
    return nullptr;
  }
  if (FParent == nullptr) {
    throw std::logic_error("a node without a parent is placed with TCamRoot::AddChild");
  }
  if (parent != nullptr && Contains(parent)) {
    throw std::logic_error("a node cannot move inside itself");
  }
  std::unique_ptr<TCamBase> self = FParent->RemoveChild(this);
  if (parent == nullptr) return self;
  parent->AddChild(std::move(self));
  return nullptr;
}

void TCamBase::AttachNode(TTreeNode* node) {
  if (node == FTreeNode) return;
  FTreeNode = node;
  if (node == nullptr) return;
  node->SetText(Name);
  node->SetData(this);
  node->SetStateIndex(0);
  node->SetHasChildren(false);
}

void TCamBase::DetachNode() {
  if (FTreeNode == nullptr) return;
  TTreeNode* node = FTreeNode;
  FTreeNode = nullptr;
  if (FNodes != nullptr) FNodes->Delete(node);
}

void TCamBase::SetName(std::string_view name) {
  Name.clear();
  for (char c : name) {
    if (c != ':') Name += c;
  }
  if (FTreeNode != nullptr) FTreeNode->SetText(Name);
}

bool TCamBase::Contains(const TCamBase* node) const {
  for (; node != nullptr; node = node->FParent) {
    if (node == this) return true;
  }
  return false;
}

void TCamBase::MoveTo(TCamBase* target, TMoveMode mode) {
  if (target == nullptr || Contains(target) || FParent == nullptr) return;
  TCamRoot* newParent = (mode == TMoveMode::AddChild || mode == TMoveMode::AddChildFirst)
                            ? target->AsRoot()
                            : target->Parent();
  if (newParent == nullptr) return;
  std::unique_ptr<TCamBase> self = FParent->RemoveChild(this);
  switch (mode) {
    case TMoveMode::AddFirst:
    case TMoveMode::AddChildFirst:
      newParent->AddChildFirst(std::move(self));
      break;
    case TMoveMode::Insert:
      newParent->InsertBefore(target, std::move(self));
      break;
    case TMoveMode::Add:
    case TMoveMode::AddChild:
      newParent->AddChild(std::move(self));
      break;
  }
}

void TCamBase::UpdateLevels() {
  // Without recursion: a moved group may be deep, and so may its contents.
  std::vector<TCamBase*> pending{this};
  while (!pending.empty()) {
    TCamBase* node = pending.back();
    pending.pop_back();
    node->FLevel = node->FParent != nullptr ? node->FParent->FLevel + 1 : 0;
    if (TCamRoot* root = node->AsRoot()) {
      for (const auto& child : root->Children()) pending.push_back(child.get());
    }
  }
}

}  // namespace vexilon
