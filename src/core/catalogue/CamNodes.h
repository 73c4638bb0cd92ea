#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogue/TreeNodes.h"
#include "core/catalogue/WebConnect.h"

namespace vexilon {

class TCamRoot;
class TCamGroup;
class TCamItem;

// Group flag bits.
inline constexpr int kSubGroupFlag = 16;             // contents live in the auxiliary file SubGroup
inline constexpr int kPublishedGroupFlag = 256;      // a published group
inline constexpr int kPublishedFileGroupFlag = 512;  // its auxiliary file is a published file

// Nodes deeper than this are not built from outside data (record text or connection files),
// so that every walk over the tree stays far from the end of the stack.
inline constexpr int kMaxCatalogueDepth = 256;

enum class TMoveMode { Add = 0, AddFirst = 1, AddChild = 2, AddChildFirst = 3, Insert = 4 };

// A catalogue node. A node that has a parent is owned by it; a node without one is owned by
// whoever created it and is placed with TCamRoot::AddChild (or one of its siblings).
// Nodes() may be null (no tree view, as in command-line tools); TreeNode() is null whenever
// no tree node shows this node, which is the rule for everything inside collapsed folders.
class TCamBase {
 public:
  explicit TCamBase(TTreeNodes* nodes);
  virtual ~TCamBase();
  TCamBase(const TCamBase&) = delete;
  TCamBase& operator=(const TCamBase&) = delete;

  std::string Name;
  int Flags = 0;

  TTreeNode* TreeNode() const { return FTreeNode; }
  TTreeNodes* Nodes() const { return FNodes; }
  TCamRoot* Parent() const { return FParent; }
  int Level() const { return FLevel; }

  virtual TCamRoot* AsRoot() { return nullptr; }
  virtual const TCamRoot* AsRoot() const { return nullptr; }
  virtual TCamGroup* AsGroup() { return nullptr; }
  virtual const TCamGroup* AsGroup() const { return nullptr; }
  virtual TCamItem* AsItem() { return nullptr; }
  virtual const TCamItem* AsItem() const { return nullptr; }

  // "DATA=(" data text ")", and for roots their children after it.
  virtual std::string GetRecordText() const;
  virtual void SetRecordText(std::string_view text);
  virtual std::string GetDataText() const = 0;
  virtual void SetDataText(std::string_view text) = 0;

  // Moves this node, which must have a parent, to the end of parent's children. With parent
  // null it leaves its parent and the answer owns it. Levels below are recomputed.
  virtual std::unique_ptr<TCamBase> SetParent(TCamRoot* parent);
  // Makes node (which may be null) the tree node that shows this object.
  virtual void AttachNode(TTreeNode* node);
  // Deletes the tree node that shows this object (and those of everything inside it).
  virtual void DetachNode();

  // Stores name without its ":" characters (they separate catalogue paths) and shows it.
  void SetName(std::string_view name);
  // Drag and drop: places this node relative to target; nothing happens when target is this
  // node or lies inside it, or when the place has no folder.
  void MoveTo(TCamBase* target, TMoveMode mode);
  // True when node is this node or lies inside it.
  bool Contains(const TCamBase* node) const;

 private:
  friend class TCamRoot;
  void UpdateLevels();

  TTreeNodes* FNodes;
  TTreeNode* FTreeNode = nullptr;
  TCamRoot* FParent = nullptr;
  int FLevel = 0;
};

// A node with children: the catalogue root itself, and the base of groups.
class TCamRoot : public TCamBase {
 public:
  explicit TCamRoot(TTreeNodes* nodes);
  ~TCamRoot() override;

  std::string AutoUpdate;  // where a published connection file updates itself

  TCamRoot* AsRoot() override { return this; }
  const TCamRoot* AsRoot() const override { return this; }

  const std::vector<std::unique_ptr<TCamBase>>& Children() const { return FChildren; }
  std::size_t ChildCount() const { return FChildren.size(); }
  TCamBase* Child(std::size_t index) const { return FChildren[index].get(); }
  // The position of child among the children, or -1.
  std::ptrdiff_t IndexOf(const TCamBase* child) const;

  std::string GetRecordText() const override;
  void SetRecordText(std::string_view text) override;
  std::string GetDataText() const override;
  void SetDataText(std::string_view text) override;
  void AttachNode(TTreeNode* node) override;
  void DetachNode() override;

  // child must have no parent. The answers are the placed child.
  TCamBase* AddChild(std::unique_ptr<TCamBase> child);
  TCamBase* AddChildFirst(std::unique_ptr<TCamBase> child);
  // Before before when that is a child, else at the end.
  TCamBase* InsertBefore(TCamBase* before, std::unique_ptr<TCamBase> child);
  // Takes child out (its tree node deleted); the answer owns it, so dropping it frees the
  // child and everything inside it. Null when child is not a child of this node.
  std::unique_ptr<TCamBase> RemoveChild(TCamBase* child);
  void FreeChildren();

  void DetachChildNodes();
  // After the tree node collapsed: drops the children's tree nodes, keeps the expand mark.
  void CollapseNodes();
  // Before the tree node expands: rebuilds one tree node per child (recursive: all the way).
  void PopulateNodes(bool recursive);

 private:
  TCamBase* Place(std::size_t index, std::unique_ptr<TCamBase> child, TTreeNode* before,
                  bool first);
  void AppendRecordText(std::string& out) const;
  void ReadRecordText(std::string_view text, int depth);

  std::vector<std::unique_ptr<TCamBase>> FChildren;
};

class TCamGroup : public TCamRoot {
 public:
  explicit TCamGroup(TTreeNodes* nodes) : TCamRoot(nodes) {}

  std::string Auth;
  std::string Prefix;
  std::string Suffix;
  std::string SubGroup;  // the auxiliary connection file that holds the contents
  std::string Headers;   // header lines, each ended by CR LF

  TCamGroup* AsGroup() override { return this; }
  const TCamGroup* AsGroup() const override { return this; }

  std::string GetDataText() const override;
  void SetDataText(std::string_view text) override;
  // The data text of a copy of this group whose flags are flags.
  std::string GetDataTextWithFlags(int flags) const;
};

class TCamItem : public TCamBase {
 public:
  explicit TCamItem(TTreeNodes* nodes);
  ~TCamItem() override;

  TCamItem* AsItem() override { return this; }
  const TCamItem* AsItem() const override { return this; }

  TVideoConnect& Video() { return *FVideo; }
  const TVideoConnect& Video() const { return *FVideo; }
  TAudioConnect& Audio() { return *FAudio; }
  const TAudioConnect& Audio() const { return *FAudio; }

  std::string GetDataText() const override;
  void SetDataText(std::string_view text) override;

 private:
  std::unique_ptr<TVideoConnect> FVideo;
  std::unique_ptr<TAudioConnect> FAudio;
};

}  // namespace vexilon
