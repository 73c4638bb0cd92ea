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
  nodes.Insert(root, "Before root", nullptr);
  auto* rootItem = static_cast<TQtTreeNode*>(root);
  EXPECT_EQ(Texts(tree, rootItem), QStringList({"A", "A2", "B", "D"}));
  EXPECT_EQ(Texts(tree, nullptr), QStringList({"Before root", "Cameras"}));
  EXPECT_EQ(TQtTreeNodes::NodeOf(tree.topLevelItem(1)), root);

  nodes.AddChild(b, "inside B", nullptr);
  nodes.Delete(b);
  EXPECT_EQ(Texts(tree, rootItem), QStringList({"A", "A2", "D"}));
  nodes.Delete(root);
  EXPECT_EQ(tree.topLevelItemCount(), 1);
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
