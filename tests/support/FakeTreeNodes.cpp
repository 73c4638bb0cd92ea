#include "support/FakeTreeNodes.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "core/catalogue/CamNodes.h"

namespace vexilon {

TFakeTreeNode* TFakeTreeNodes::Checked(TTreeNode* node) const {
  if (node == nullptr) return nullptr;
  if (FLive.count(node) == 0) throw std::logic_error("tree node used after it was deleted");
  return static_cast<TFakeTreeNode*>(node);
}

std::vector<std::unique_ptr<TFakeTreeNode>>& TFakeTreeNodes::ListOf(TFakeTreeNode* parent) {
  return parent != nullptr ? parent->FChildren : FTop;
}

TTreeNode* TFakeTreeNodes::Place(TFakeTreeNode* parent, std::size_t index, const std::string& text,
                                 TCamBase* data) {
  auto node = std::make_unique<TFakeTreeNode>();
  node->FText = text;
  node->FData = data;
  node->FParent = parent;
  FLive.insert(node.get());
  auto& list = ListOf(parent);
  return list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), std::move(node))->get();
}

TTreeNode* TFakeTreeNodes::AddChild(TTreeNode* parent, const std::string& text, TCamBase* data) {
  TFakeTreeNode* owner = Checked(parent);
  return Place(owner, ListOf(owner).size(), text, data);
}

TTreeNode* TFakeTreeNodes::AddChildFirst(TTreeNode* parent, const std::string& text,
                                         TCamBase* data) {
  return Place(Checked(parent), 0, text, data);
}

TTreeNode* TFakeTreeNodes::Insert(TTreeNode* before, const std::string& text, TCamBase* data) {
  TFakeTreeNode* sibling = Checked(before);
  if (sibling == nullptr) throw std::logic_error("Insert needs a sibling");
  auto& list = ListOf(sibling->FParent);
  auto at = std::find_if(list.begin(), list.end(),
                         [sibling](const auto& n) { return n.get() == sibling; });
  return Place(sibling->FParent, static_cast<std::size_t>(at - list.begin()), text, data);
}

void TFakeTreeNodes::Delete(TTreeNode* node) {
  TFakeTreeNode* doomed = Checked(node);
  if (doomed == nullptr) throw std::logic_error("Delete of a null node");
  std::function<void(const TFakeTreeNode*)> forget = [&](const TFakeTreeNode* n) {
    FLive.erase(n);
    for (const auto& child : n->FChildren) forget(child.get());
  };
  forget(doomed);
  auto& list = ListOf(doomed->FParent);
  std::erase_if(list, [doomed](const auto& n) { return n.get() == doomed; });
}

void TFakeTreeNodes::EndUpdate() {
  if (FUpdateDepth == 0) throw std::logic_error("EndUpdate without BeginUpdate");
  if (--FUpdateDepth == 0) ++FUpdateBatches;
}

std::string TFakeTreeNodes::Dump() const {
  if (FUpdateDepth != 0) throw std::logic_error("BeginUpdate without EndUpdate");
  std::string out;
  std::function<void(const TFakeTreeNode&, int)> dump = [&](const TFakeTreeNode& n, int depth) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += n.Text() + "[" + std::to_string(n.StateIndex()) + "]";
    if (n.HasChildren()) out += "+";
    if (n.Expanded()) out += "*";
    if (n.Data() == nullptr || n.Data()->TreeNode() != &n) out += "!";
    out += "\n";
    for (const auto& child : n.FChildren) dump(*child, depth + 1);
  };
  for (const auto& top : FTop) dump(*top, 0);
  return out;
}

}  // namespace vexilon
