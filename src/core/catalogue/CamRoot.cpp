#include <algorithm>
#include <stdexcept>

#include "core/catalogue/CamNodes.h"
#include "core/catalogue/RecordText.h"

namespace vexilon {

namespace {

// Suspends the view's repainting for a batch of node changes.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TTreeNodes* nodes) : FNodes(nodes) {
    if (FNodes != nullptr) FNodes->BeginUpdate();
  }
  ~TUpdateGuard() {
    if (FNodes != nullptr) FNodes->EndUpdate();
  }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TTreeNodes* FNodes;
};

}  // namespace

TCamRoot::TCamRoot(TTreeNodes* nodes) : TCamBase(nodes) {}

TCamRoot::~TCamRoot() {
  FreeChildren();
  DetachNode();
}

std::ptrdiff_t TCamRoot::IndexOf(const TCamBase* child) const {
  if (child == nullptr || child->Parent() != this) return -1;
  auto found = std::find_if(FChildren.begin(), FChildren.end(),
                            [child](const auto& c) { return c.get() == child; });
  return found == FChildren.end() ? -1 : found - FChildren.begin();
}

std::string TCamRoot::GetRecordText() const {
  std::string out;
  AppendRecordText(out);
  return out;
}

void TCamRoot::AppendRecordText(std::string& out) const {
  out += TCamBase::GetRecordText();
  out += " CHILDREN=" + std::to_string(FChildren.size());
  for (std::size_t k = 0; k < FChildren.size(); ++k) {
    out += " CHILD" + std::to_string(k + 1) + "=(";
    if (const TCamRoot* root = FChildren[k]->AsRoot()) {
      root->AppendRecordText(out);
    } else {
      out += FChildren[k]->GetRecordText();
    }
    out += ')';
  }
}

void TCamRoot::SetRecordText(std::string_view text) {
  ReadRecordText(text, 0);
}

void TCamRoot::ReadRecordText(std::string_view text, int depth) {
  TRecordFields fields(text);
  std::string storage;
  SetDataText(fields.ValueView("DATA", storage));
  // Children deeper than the cap are ignored, so hostile nesting cannot exhaust the stack.
  if (depth >= kMaxCatalogueDepth) return;
  int count = fields.Int("CHILDREN", 0);
  // Only the CHILDk keys that are present are visited: an absent one would add nothing.
  std::vector<std::string> childStorage;
  for (const auto& [number, childText] : fields.NumberedValues("CHILD", count, childStorage)) {
    std::string dataStorage;
    std::string_view data = TRecordFields(childText).ValueView("DATA", dataStorage);
    std::string type = RecordValue(data, "TYPE");
    std::unique_ptr<TCamBase> child;
    if (type == "ITEM") {
      child = std::make_unique<TCamItem>(Nodes());
    } else if (type == "GROUP") {
      child = std::make_unique<TCamGroup>(Nodes());
    } else {
      continue;
    }
    if (TCamRoot* root = child->AsRoot()) {
      root->ReadRecordText(childText, depth + 1);
    } else {
      child->SetRecordText(childText);
    }
    AddChild(std::move(child));
  }
}

std::string TCamRoot::GetDataText() const {
  std::string text = "TYPE=ROOT NAME=" + RecordQuote(Name);
  if (!AutoUpdate.empty()) text += " AUTOUPDATE=" + RecordQuote(AutoUpdate);
  return text;
}

void TCamRoot::SetDataText(std::string_view text) {
  TRecordFields fields(text);
  Name = fields.Value("NAME");
  AutoUpdate = fields.Value("AUTOUPDATE");
}

void TCamRoot::AttachNode(TTreeNode* node) {
  TCamBase::AttachNode(node);
  if (TreeNode() == nullptr) return;
  TreeNode()->SetStateIndex(TreeNode()->Expanded() ? 2 : 1);
  TreeNode()->SetHasChildren(!FChildren.empty());
}

void TCamRoot::DetachNode() {
  DetachChildNodes();
  TCamBase::DetachNode();
}

TCamBase* TCamRoot::Place(std::size_t index, std::unique_ptr<TCamBase> child, TTreeNode* before,
                          bool first) {
  if (child == nullptr) return nullptr;
  // A child that has a parent is owned by it; a second owner would free it twice.
  if (child->Parent() != nullptr) throw std::logic_error("the child already has a parent");
  if (child->Contains(this)) throw std::logic_error("a node cannot become its own child");
  TCamBase* placed = child.get();
  FChildren.insert(FChildren.begin() + static_cast<std::ptrdiff_t>(index), std::move(child));
  placed->FParent = this;
  placed->UpdateLevels();
  TTreeNode* node = TreeNode();
  if (node == nullptr) return placed;
  node->SetHasChildren(true);
  if (!node->Expanded() || Nodes() == nullptr) return placed;
  TTreeNode* shown = nullptr;
  if (before != nullptr) {
    shown = Nodes()->Insert(before, placed->Name, placed);
  } else if (first) {
    shown = Nodes()->AddChildFirst(node, placed->Name, placed);
  } else {
    shown = Nodes()->AddChild(node, placed->Name, placed);
  }
  placed->AttachNode(shown);
  return placed;
}

TCamBase* TCamRoot::AddChild(std::unique_ptr<TCamBase> child) {
  return Place(FChildren.size(), std::move(child), nullptr, false);
}

TCamBase* TCamRoot::AddChildFirst(std::unique_ptr<TCamBase> child) {
  return Place(0, std::move(child), nullptr, true);
}

TCamBase* TCamRoot::InsertBefore(TCamBase* before, std::unique_ptr<TCamBase> child) {
  std::ptrdiff_t index = IndexOf(before);
  if (index < 0) return AddChild(std::move(child));
  // Without a node to stand before (it should have one when this folder is expanded), the
  // new node goes to the end of the view rather than nowhere.
  return Place(static_cast<std::size_t>(index), std::move(child), before->TreeNode(), false);
}

std::unique_ptr<TCamBase> TCamRoot::RemoveChild(TCamBase* child) {
  std::ptrdiff_t index = IndexOf(child);
  if (index < 0) return nullptr;
  child->DetachNode();
  std::unique_ptr<TCamBase> owned = std::move(FChildren[static_cast<std::size_t>(index)]);
  FChildren.erase(FChildren.begin() + index);
  owned->FParent = nullptr;
  owned->UpdateLevels();
  if (TreeNode() != nullptr && FChildren.empty()) TreeNode()->SetHasChildren(false);
  return owned;
}

void TCamRoot::FreeChildren() {
  while (!FChildren.empty()) {
    std::unique_ptr<TCamBase> child = std::move(FChildren.back());
    FChildren.pop_back();
    child->DetachNode();
    child->FParent = nullptr;
  }
  if (TreeNode() != nullptr) TreeNode()->SetHasChildren(false);
}

void TCamRoot::DetachChildNodes() {
  for (auto child = FChildren.rbegin(); child != FChildren.rend(); ++child) {
    (*child)->DetachNode();
  }
}

void TCamRoot::CollapseNodes() {
  if (TreeNode() == nullptr) return;
  TUpdateGuard guard(Nodes());
  DetachChildNodes();
  if (!FChildren.empty()) TreeNode()->SetHasChildren(true);
}

void TCamRoot::PopulateNodes(bool recursive) {
  if (TreeNode() == nullptr || Nodes() == nullptr) return;
  TUpdateGuard guard(Nodes());
  DetachChildNodes();
  for (const auto& child : FChildren) {
    child->AttachNode(Nodes()->AddChild(TreeNode(), child->Name, child.get()));
    if (recursive) {
      if (TCamRoot* root = child->AsRoot()) root->PopulateNodes(true);
    }
  }
}

}  // namespace vexilon
