#include <gtest/gtest.h>
#include <QApplication>
#include <QStyle>
#include <QTreeWidget>

#include "ui/catalogue/QtTreeNodes.h"

namespace vexilon {
namespace {

TCamBase* Dummy(std::uintptr_t address) {
  return reinterpret_cast<TCamBase*>(address);
}

QStringList Texts(QTreeWidget& tree, QTreeWidgetItem* parent) {
  QStringList texts;
  const int count = parent ? parent->childCount() : tree.topLevelItemCount();
  for (int i = 0; i < count; ++i)
    texts << (parent ? parent->child(i) : tree.topLevelItem(i))->text(0);
  return texts;
}

QImage IconImage(const QIcon& icon) {
  return icon.pixmap(16, 16).toImage();
}

TEST(QtTreeNodes, AddInsertAndDeleteKeepTheOrder) {
  QTreeWidget tree;
  TQtTreeNodes nodes(&tree);
  TTreeNode* root = nodes.AddChild(nullptr, "Cameras", Dummy(0x10));
  TTreeNode* b = nodes.AddChild(root, "B", nullptr);
  nodes.AddChildFirst(root, "A", nullptr);
  nodes.AddChild(root, "D", nullptr);
  nodes.Insert(b, "A2", nullptr);
  nodes.AddChildFirst(nullptr, "Top", nullptr);
  nodes.Insert(root, "Before root", nullptr);
  auto* rootItem = static_cast<TQtTreeNode*>(root);
  EXPECT_EQ(Texts(tree, rootItem), QStringList({"A", "A2", "B", "D"}));
  EXPECT_EQ(Texts(tree, nullptr), QStringList({"Top", "Before root", "Cameras"}));
  EXPECT_EQ(root->Data(), Dummy(0x10));
  EXPECT_EQ(TQtTreeNodes::NodeOf(tree.topLevelItem(2)), root);

  nodes.AddChild(b, "inside B", nullptr);
  nodes.Delete(b);
  EXPECT_EQ(Texts(tree, rootItem), QStringList({"A", "A2", "D"}));
  nodes.Delete(root);
  EXPECT_EQ(tree.topLevelItemCount(), 2);
}

TEST(QtTreeNodes, TextDataStateAndChildMark) {
  QTreeWidget tree;
  TQtTreeNodes nodes(&tree);
  TTreeNode* node = nodes.AddChild(nullptr, "x", nullptr);
  node->SetText("Caf\xc3\xa9:Lobby");
  EXPECT_EQ(node->Text(), "Caf\xc3\xa9:Lobby");
  node->SetData(Dummy(0x20));
  EXPECT_EQ(node->Data(), Dummy(0x20));

  auto* item = static_cast<TQtTreeNode*>(node);
  QStyle* style = QApplication::style();
  EXPECT_TRUE(item->icon(0).isNull());
  node->SetStateIndex(1);
  EXPECT_EQ(node->StateIndex(), 1);
  EXPECT_EQ(IconImage(item->icon(0)), IconImage(style->standardIcon(QStyle::SP_DirClosedIcon)));
  node->SetStateIndex(2);
  EXPECT_EQ(IconImage(item->icon(0)), IconImage(style->standardIcon(QStyle::SP_DirOpenIcon)));
  node->SetStateIndex(0);
  EXPECT_TRUE(item->icon(0).isNull());

  EXPECT_FALSE(node->HasChildren());
  node->SetHasChildren(true);
  EXPECT_TRUE(node->HasChildren());
  EXPECT_EQ(item->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  node->SetHasChildren(false);
  EXPECT_EQ(item->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

TEST(QtTreeNodes, ExpandAndCollapseRunTheModelHooks) {
  QTreeWidget tree;
  TQtTreeNodes nodes(&tree);
  TTreeNode* folder = nodes.AddChild(nullptr, "Cameras", nullptr);
  folder->SetStateIndex(1);
  folder->SetHasChildren(true);
  QStringList calls;
  // As the catalogue does: children are made on expanding and dropped on collapse.
  nodes.OnExpanding = [&](TTreeNode* node) {
    calls << "expanding";
    nodes.AddChild(node, "Entry", nullptr);
  };
  nodes.OnExpanded = [&](TTreeNode* node) {
    calls << QStringLiteral("expanded %1").arg(node->StateIndex());
  };
  nodes.OnCollapsed = [&](TTreeNode* node) {
    calls << QStringLiteral("collapsed %1").arg(node->StateIndex());
    auto* item = static_cast<TQtTreeNode*>(node);
    while (item->childCount() > 0) nodes.Delete(TQtTreeNodes::NodeOf(item->child(0)));
  };
  auto* item = static_cast<TQtTreeNode*>(folder);

  folder->SetExpanded(true);
  EXPECT_TRUE(folder->Expanded());
  EXPECT_EQ(folder->StateIndex(), 2);
  EXPECT_EQ(item->childCount(), 1);
  folder->SetExpanded(false);
  EXPECT_EQ(folder->StateIndex(), 1);
  EXPECT_EQ(item->childCount(), 0);
  folder->SetExpanded(true);
  EXPECT_EQ(item->childCount(), 1);
  EXPECT_EQ(calls,
            QStringList({"expanding", "expanded 2", "collapsed 1", "expanding", "expanded 2"}));
}

TEST(QtTreeNodes, RefusedCollapseKeepsTheFolderOpen) {
  QTreeWidget tree;
  TQtTreeNodes nodes(&tree);
  TTreeNode* root = nodes.AddChild(nullptr, "Cameras", nullptr);
  root->SetStateIndex(1);
  nodes.AddChild(root, "Entry", nullptr);
  int expanding = 0;
  int collapsed = 0;
  nodes.OnExpanding = [&](TTreeNode*) { ++expanding; };
  nodes.OnCollapsing = [&](TTreeNode* node) { return node != root; };
  nodes.OnCollapsed = [&](TTreeNode*) { ++collapsed; };
  root->SetExpanded(true);
  root->SetExpanded(false);
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(root->StateIndex(), 2);
  EXPECT_EQ(collapsed, 0);
  EXPECT_EQ(expanding, 1);  // reopening is not a new expansion
}

TEST(QtTreeNodes, UpdatesResumeAfterTheOutermostEnd) {
  QTreeWidget tree;
  tree.show();
  TQtTreeNodes nodes(&tree);
  nodes.BeginUpdate();
  nodes.BeginUpdate();
  EXPECT_FALSE(tree.updatesEnabled());
  nodes.EndUpdate();
  EXPECT_FALSE(tree.updatesEnabled());
  nodes.EndUpdate();
  EXPECT_TRUE(tree.updatesEnabled());
  nodes.EndUpdate();  // unbalanced: harmless
  EXPECT_TRUE(tree.updatesEnabled());
}

TEST(QtTreeNodes, SelectionAndHitTest) {
  QTreeWidget tree;
  tree.show();
  TQtTreeNodes nodes(&tree);
  TTreeNode* root = nodes.AddChild(nullptr, "Cameras", nullptr);
  EXPECT_EQ(nodes.Selected(), nullptr);
  nodes.Select(root);
  EXPECT_EQ(nodes.Selected(), root);
  const QRect rect = tree.visualItemRect(static_cast<TQtTreeNode*>(root));
  EXPECT_EQ(nodes.NodeAt(rect.center()), root);
  EXPECT_EQ(nodes.NodeAt(QPoint(rect.center().x(), rect.bottom() + 50)), nullptr);
}

}  // namespace
}  // namespace vexilon
