#include <gtest/gtest.h>
#include <QTreeWidget>

#include "ui/catalogue/QtTreeNodes.h"

namespace vexilon {
namespace {

QStringList Texts(QTreeWidget& tree, QTreeWidgetItem* parent) {
  QStringList texts;
  const int count = parent ? parent->childCount() : tree.topLevelItemCount();
  for (int i = 0; i < count; ++i)
    texts << (parent ? parent->child(i) : tree.topLevelItem(i))->text(0);
  return texts;
}

TEST(QtTreeNodes, AddInsertAndDeleteKeepTheOrder) {
  QTreeWidget tree;
  TQtTreeNodes nodes(&tree);
  TTreeNode* root = nodes.AddChild(nullptr, "Cameras", nullptr);
  TTreeNode* b = nodes.AddChild(root, "B", nullptr);
  nodes.AddChildFirst(root, "A", nullptr);
  nodes.AddChild(root, "D", nullptr);
  nodes.Insert(b, "A2", nullptr);
  nodes.AddChildFirst(nullptr, "Top", nullptr);
  nodes.Insert(root, "Before root", nullptr);
  auto* rootItem = static_cast<TQtTreeNode*>(root);
  EXPECT_EQ(Texts(tree, rootItem), QStringList({"A", "A2", "B", "D"}));
  EXPECT_EQ(Texts(tree, nullptr), QStringList({"Top", "Before root", "Cameras"}));
  EXPECT_EQ(TQtTreeNodes::NodeOf(tree.topLevelItem(2)), root);

  nodes.AddChild(b, "inside B", nullptr);
  nodes.Delete(b);
  EXPECT_EQ(Texts(tree, rootItem), QStringList({"A", "A2", "D"}));
  nodes.Delete(root);
  EXPECT_EQ(tree.topLevelItemCount(), 2);
}

TEST(QtTreeNodes, ExpandAndCollapseRunTheModelHooks) {
  QTreeWidget tree;
  TQtTreeNodes nodes(&tree);
  TTreeNode* folder = nodes.AddChild(nullptr, "Cameras", nullptr);
  folder->SetStateIndex(1);
  folder->SetHasChildren(true);
  QStringList calls;
  bool mayCollapse = true;
  // As the catalogue does: children are made on expanding and dropped on collapse.
  nodes.OnExpanding = [&](TTreeNode* node) {
    calls << "expanding";
    nodes.AddChild(node, "Entry", nullptr);
  };
  nodes.OnExpanded = [&](TTreeNode* node) {
    calls << QStringLiteral("expanded %1").arg(node->StateIndex());
  };
  nodes.OnCollapsing = [&](TTreeNode*) { return mayCollapse; };
  nodes.OnCollapsed = [&](TTreeNode* node) {
    calls << QStringLiteral("collapsed %1").arg(node->StateIndex());
    auto* item = static_cast<TQtTreeNode*>(node);
    while (item->childCount() > 0) nodes.Delete(TQtTreeNodes::NodeOf(item->child(0)));
  };
  auto* item = static_cast<TQtTreeNode*>(folder);

  folder->SetExpanded(true);
  EXPECT_EQ(item->childCount(), 1);
  folder->SetExpanded(false);
  EXPECT_EQ(item->childCount(), 0);
  folder->SetExpanded(true);
  // A refused collapse leaves the folder open, and reopening it is no new expansion.
  mayCollapse = false;
  folder->SetExpanded(false);
  EXPECT_TRUE(folder->Expanded());
  EXPECT_EQ(folder->StateIndex(), 2);
  EXPECT_EQ(calls,
            QStringList({"expanding", "expanded 2", "collapsed 1", "expanding", "expanded 2"}));
}

TEST(QtTreeNodes, UpdatesResumeAfterTheOutermostEnd) {
  QTreeWidget tree;
  tree.show();
  TQtTreeNodes nodes(&tree);
  nodes.BeginUpdate();
  nodes.BeginUpdate();
  nodes.EndUpdate();
  EXPECT_FALSE(tree.updatesEnabled());
  nodes.EndUpdate();
  nodes.EndUpdate();  // unbalanced: harmless
  EXPECT_TRUE(tree.updatesEnabled());
  nodes.BeginUpdate();
  EXPECT_FALSE(tree.updatesEnabled());
  nodes.EndUpdate();
}

}  // namespace
}  // namespace vexilon
