#include "core/catalogue/CamNodes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/CatalogueSamples.h"
#include "support/FakeTreeNodes.h"

namespace vexilon {
namespace {

// The exact format is held by the sample file, which must save byte for byte (CatalogueSave).
TEST(CamItem, DataTextRoundTripsEveryField) {
  TCamItem entry(nullptr);
  entry.SetName("Lobby (east)");
  entry.Flags = -7;
  entry.Video().Web = "cam/video.cgi";
  entry.Video().Auth = "u:\"p\"";
  entry.Video().Prefix = "P";
  entry.Video().Suffix = "?a=1&b=(2)";
  entry.Video().Headers = "A: 1\r\nB,C: \"2\"\r\n";
  entry.Video().Flags = 263;
  entry.Video().Width = 640;
  entry.Video().Height = 0;
  entry.Video().Interval = -1;
  entry.Audio().Web = "a.au";
  entry.Audio().Auth = "x";
  entry.Audio().Headers = "Z: 9\r\n";
  entry.Audio().Flags = 3;
  // The entry's own flags come right after its name, before the video fields.
  EXPECT_EQ(entry.GetDataText().rfind("TYPE=ITEM NAME=\"Lobby (east)\" XFLAGS=-7 WEB=", 0), 0u);
  TCamItem copy(nullptr);
  copy.SetDataText(entry.GetDataText());
  EXPECT_EQ(copy.GetDataText(), entry.GetDataText());

  // Audio without a format is silent and not written; bad numbers take the defaults.
  entry.Audio().Flags = 1;
  copy.SetDataText(entry.GetDataText());
  EXPECT_EQ(copy.Audio().Web, "");
  copy.SetDataText("TYPE=ITEM NAME=Cam:1 WIDTH=abc");
  EXPECT_EQ(copy.Name, "Cam1");
  EXPECT_EQ(copy.Video().Width, 320);
  EXPECT_EQ(copy.Video().Height, 240);
  EXPECT_EQ(copy.Video().Interval, 250);
}

TEST(WebConnect, CopiesKeepTheirClass) {
  TVideoConnect video;
  video.Width = 5;
  std::unique_ptr<TWebConnect> copy = video.Copy();
  auto* asVideo = dynamic_cast<TVideoConnect*>(copy.get());
  ASSERT_NE(asVideo, nullptr);
  EXPECT_EQ(asVideo->Width, 5);
  EXPECT_NE(dynamic_cast<TAudioConnect*>(TAudioConnect().Copy().get()), nullptr);
}

TEST(CamGroup, DataTextRoundTripsAndDropsFlagsOnRequest) {
  TCamGroup group(nullptr);
  group.Name = "Shop: Main";  // group names are stored as read
  group.Auth = "a";
  group.Prefix = "p";
  group.Suffix = "s";
  group.Flags = 16;
  group.SubGroup = "/x/shop.vxc";
  group.Headers = "X: 1\r\n";
  group.AutoUpdate = "http://p/c.vxp";
  TCamGroup copy(nullptr);
  copy.SetDataText(group.GetDataText());
  EXPECT_EQ(copy.GetDataText(), group.GetDataText());
  EXPECT_EQ(copy.Name, "Shop: Main");
  EXPECT_NE(group.GetDataTextWithFlags(0).find(" FLAGS=0 SUBGROUP="), std::string::npos);
}

TEST(CamRoot, RecordTextRoundTripsTheWholeTree) {
  TCamRoot root(nullptr);
  root.Name = "Cameras";
  TCamGroup* city = AddGroup(root, "City");
  AddItem(*AddGroup(*city, "Shop"), "Lobby")->Video().Web = "lobby";
  AddItem(*city, "Square");
  AddItem(root, "Gate");
  std::string text = root.GetRecordText();
  EXPECT_EQ(text.rfind("DATA=(TYPE=ROOT NAME=Cameras) CHILDREN=2 CHILD1=(DATA=(TYPE=GROUP", 0), 0u);
  TCamRoot copy(nullptr);
  copy.SetRecordText(text);
  EXPECT_EQ(copy.GetRecordText(), text);
  EXPECT_EQ(Outline(copy), "Cameras{City{Shop{Lobby},Square},Gate}");
  EXPECT_EQ(copy.Child(0)->AsRoot()->Child(0)->AsRoot()->Child(0)->Level(), 3);

  // Unknown types and absent or out-of-count children are skipped.
  copy.FreeChildren();
  copy.SetRecordText(
      "DATA=(TYPE=ROOT NAME=R) CHILDREN=4 CHILD1=(DATA=(TYPE=ITEM NAME=a)) "
      "CHILD2=(DATA=(TYPE=PROXY VALUE=x)) CHILD4=(DATA=(TYPE=GROUP NAME=d)) "
      "CHILD5=(DATA=(TYPE=ITEM NAME=beyond))");
  EXPECT_EQ(Outline(copy), "R{a,d{}}");
}

TEST(CamRoot, HostileRecordTextIsBounded) {
  // Thousands of nested levels: the depth is capped instead of exhausting the stack.
  const int levels = 5000;
  std::string text;
  for (int i = 0; i < levels; ++i) text += "DATA=(TYPE=GROUP NAME=g) CHILDREN=1 CHILD1=(";
  text += std::string(levels, ')');
  TCamRoot root(nullptr);
  root.SetRecordText(text);
  int depth = 0;
  for (const TCamRoot* node = &root; node->ChildCount() > 0; node = node->Child(0)->AsRoot()) {
    ++depth;
  }
  EXPECT_EQ(depth, kMaxCatalogueDepth);

  // A huge count with few children does not loop over the absent ones.
  auto started = std::chrono::steady_clock::now();
  TCamRoot wide(nullptr);
  wide.SetRecordText("DATA=(TYPE=ROOT) CHILDREN=2000000000 CHILD7=(DATA=(TYPE=ITEM NAME=x))");
  EXPECT_EQ(Outline(wide), "{x}");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
}

TEST(CamBase, LevelsFollowTheParents) {
  TCamRoot root(nullptr);
  TCamGroup* a = AddGroup(root, "A");
  TCamGroup* b = AddGroup(*a, "B");
  TCamItem* x = AddItem(*b, "x");
  std::unique_ptr<TCamBase> loose = a->SetParent(nullptr);
  EXPECT_EQ(loose.get(), a);
  EXPECT_EQ(x->Level(), 2);
  root.AddChild(std::move(loose));
  TCamGroup* c = AddGroup(root, "C");
  b->SetParent(c);
  EXPECT_EQ(Outline(root), "{A{},C{B{x}}}");
  EXPECT_EQ(x->Level(), 3);
  EXPECT_THROW(c->SetParent(b), std::logic_error);  // into its own subtree
}

TEST(CamBase, MoveToEveryMode) {
  struct Case {
    TMoveMode mode;
    const char* target;
    const char* outline;
  } cases[] = {
      {TMoveMode::Add, "g1", "{A{g1,g2,m},x,B{}}"},
      {TMoveMode::AddFirst, "g1", "{A{m,g1,g2},x,B{}}"},
      {TMoveMode::AddChild, "B", "{A{g1,g2},x,B{m}}"},
      {TMoveMode::AddChildFirst, "A", "{A{m,g1,g2},x,B{}}"},
      {TMoveMode::Insert, "g2", "{A{g1,m,g2},x,B{}}"},
      {TMoveMode::Insert, "x", "{A{g1,g2},m,x,B{}}"},
      {TMoveMode::AddChild, "x", "{A{g1,g2},x,B{},m}"},  // an entry holds nothing: no move
      {TMoveMode::AddChild, "m", "{A{g1,g2},x,B{},m}"},  // onto itself
      {TMoveMode::AddChild, "", "{A{g1,g2},x,B{},m}"},   // a node without a parent
  };
  for (const Case& c : cases) {
    TCamRoot root(nullptr);
    TCamGroup* a = AddGroup(root, "A");
    TCamBase* named[] = {AddItem(*a, "g1"), AddItem(*a, "g2"), AddItem(root, "x"),
                         AddGroup(root, "B"), a};
    TCamItem* moving = AddItem(root, "m");
    TCamBase* target = moving;
    for (TCamBase* node : named) {
      if (node->Name == c.target) target = node;
    }
    if (*c.target == '\0') {
      TCamItem loose(nullptr);
      loose.MoveTo(a, c.mode);
    } else {
      moving->MoveTo(target, c.mode);
    }
    EXPECT_EQ(Outline(root), c.outline) << static_cast<int>(c.mode) << c.target;
  }
  TCamRoot root(nullptr);
  TCamGroup* a = AddGroup(root, "A");
  a->MoveTo(AddGroup(*a, "Sub"), TMoveMode::AddChild);  // into its own subtree
  EXPECT_EQ(Outline(root), "{A{Sub{}}}");
}

// The tree view only holds nodes for expanded parts of the catalogue.
class TreeRules : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::make_unique<TCamRoot>(&tree);
    root->SetName("Cameras");
    root->AttachNode(tree.AddChild(nullptr, root->Name, root.get()));
  }
  void Expand(TCamRoot& node) {
    node.TreeNode()->SetExpanded(true);
    node.PopulateNodes(false);
  }

  TFakeTreeNodes tree;
  std::unique_ptr<TCamRoot> root;
};

TEST_F(TreeRules, NodesAppearOnlyForExpandedFolders) {
  TCamGroup* a = AddGroup(*root, "A");
  AddItem(*a, "x");
  AddItem(*root, "y");
  EXPECT_EQ(tree.Dump(), "Cameras[1]+\n");

  Expand(*root);
  EXPECT_EQ(tree.Dump(), "Cameras[1]+*\n  A[1]+\n  y[0]\n");
  EXPECT_GE(tree.UpdateBatches(), 1);

  Expand(*a);
  a->TreeNode()->SetStateIndex(2);  // what the view does once a node has expanded
  AddItem(*a, "z");
  a->AddChildFirst(std::make_unique<TCamItem>(&tree))->SetName("first");
  a->InsertBefore(a->Child(2), std::make_unique<TCamGroup>(&tree))->SetName("mid");
  EXPECT_EQ(tree.Dump(),
            "Cameras[1]+*\n  A[2]+*\n    first[0]\n    x[0]\n    mid[1]\n    z[0]\n  y[0]\n");

  a->TreeNode()->SetExpanded(false);
  a->CollapseNodes();
  EXPECT_EQ(tree.Dump(), "Cameras[1]+*\n  A[2]+\n  y[0]\n");

  // Re-attaching an open folder's node shows the open image.
  a->TreeNode()->SetExpanded(true);
  a->PopulateNodes(false);
  a->DetachNode();
  a->AttachNode(tree.AddChild(root->TreeNode(), "A", a));
  EXPECT_EQ(a->TreeNode()->StateIndex(), 1);
}

TEST_F(TreeRules, RemovingAndFreeingDeleteTheirNodes) {
  TCamGroup* a = AddGroup(*root, "A");
  AddItem(*a, "x");
  Expand(*root);
  Expand(*a);
  std::unique_ptr<TCamBase> x = a->RemoveChild(a->Child(0));
  EXPECT_EQ(tree.Dump(), "Cameras[1]+*\n  A[1]*\n");  // no children left: no mark
  EXPECT_EQ(x->TreeNode(), nullptr);
  a->AddChild(std::move(x));
  AddGroup(*a, "deep");
  EXPECT_EQ(tree.Count(), 4u);
  root->RemoveChild(a);  // frees the group and everything inside
  EXPECT_EQ(tree.Dump(), "Cameras[1]*\n");
  root.reset();
  EXPECT_EQ(tree.Count(), 0u);
}

TEST_F(TreeRules, RecursivePopulateAndMoves) {
  TCamGroup* a = AddGroup(*root, "A");
  TCamGroup* b = AddGroup(*a, "B");
  AddItem(*b, "x");
  TCamItem* y = AddItem(*root, "y");
  root->PopulateNodes(true);
  EXPECT_EQ(tree.Dump(), "Cameras[1]+\n  A[1]+\n    B[1]+\n      x[0]\n  y[0]\n");

  root->TreeNode()->SetExpanded(true);
  y->MoveTo(a, TMoveMode::Insert);  // root is expanded: y gets a node before A
  EXPECT_EQ(tree.Dump(), "Cameras[1]+*\n  y[0]\n  A[1]+\n    B[1]+\n      x[0]\n");
  y->MoveTo(b, TMoveMode::AddChild);  // B is not expanded: y has no node now
  EXPECT_EQ(y->TreeNode(), nullptr);
  y->SetName("renamed");
  Expand(*b);
  EXPECT_EQ(tree.Dump(), "Cameras[1]+*\n  A[1]+\n    B[1]+*\n      x[0]\n      renamed[0]\n");
}

TEST(CamNodes, WorkWithoutATree) {
  TCamRoot root(nullptr);
  TCamGroup* a = AddGroup(root, "A");
  AddItem(*a, "x");
  root.PopulateNodes(true);
  root.CollapseNodes();
  a->MoveTo(&root, TMoveMode::AddChildFirst);
  a->SetName("B:C");
  EXPECT_EQ(Outline(root), "{BC{x}}");
}

}  // namespace
}  // namespace vexilon
