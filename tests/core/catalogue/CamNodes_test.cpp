#include "core/catalogue/CamNodes.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/catalogue/CatalogueRules.h"
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
  entry.Video().RtspUdp = true;
  entry.Audio().Web = "a.au";
  entry.Audio().Auth = "x";
  entry.Audio().Headers = "Z: 9\r\n";
  entry.Audio().Flags = 3;
  // The entry's own flags come right after its name, before the video fields.
  EXPECT_EQ(entry.GetDataText().rfind("TYPE=ITEM NAME=\"Lobby (east)\" XFLAGS=-7 WEB=", 0), 0u);
  TCamItem copy(nullptr);
  copy.SetDataText(entry.GetDataText());
  EXPECT_EQ(copy.GetDataText(), entry.GetDataText());
  // A connection's copy (what a stream thread works from) keeps its class and fields.
  EXPECT_EQ(dynamic_cast<TVideoConnect&>(*entry.Video().Copy()).Width, 640);
  EXPECT_NE(dynamic_cast<TAudioConnect*>(entry.Audio().Copy().get()), nullptr);

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

// Only UDP is written, so that records from before the choice save byte for byte.
TEST(VideoConnect, RtspTransportIsWrittenOnlyForUdp) {
  const std::string old =
      "WEB=rtsp://cam/1 AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 WIDTH=320 "
      "HEIGHT=240 INTERVAL=250";
  const struct {
    const char* Key;
    bool Udp;
  } rows[] = {{"", false},
              {" RTSPTRANSPORT=udp", true},
              {" RTSPTRANSPORT=UDP", true},
              {" RTSPTRANSPORT=tcp", false},
              {" RTSPTRANSPORT=udp2", false}};
  for (const auto& row : rows) {
    TVideoConnect video;
    video.SetRecordText(old + row.Key);
    EXPECT_EQ(video.RtspUdp, row.Udp) << row.Key;
    EXPECT_EQ(video.GetRecordText(), old + (row.Udp ? " RTSPTRANSPORT=udp" : "")) << row.Key;
  }
}

// The certificate pin is written only when set, in the video and the sound record alike.
TEST(CamItem, CertificatePinIsWrittenOnlyWhenSet) {
  const std::string pin = "AB:CD:EF:01";
  TCamItem entry(nullptr);
  entry.Video().Web = "https://cam/v";
  entry.Audio().Web = "https://cam/a";
  entry.Audio().Flags = 3;
  const std::string without = entry.GetDataText();
  EXPECT_EQ(without.find("CERTPIN"), std::string::npos);
  entry.Video().CertPin = pin;
  entry.Audio().CertPin = pin + ":02";
  TCamItem copy(nullptr);
  copy.SetDataText(entry.GetDataText());
  EXPECT_EQ(copy.GetDataText(), entry.GetDataText());
  EXPECT_EQ(CopyConnect(copy.Video())->CertPin, pin);
  EXPECT_EQ(copy.Audio().Copy()->CertPin, pin + ":02");
  copy.Video().CertPin = copy.Audio().CertPin = "";
  EXPECT_EQ(copy.GetDataText(), without);
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

TEST(CamBase, MoveToInsertsOrAddsIntoAndLeavesImpossibleMovesAlone) {
  struct Case {
    TMoveMode mode;
    const char* target;
    const char* outline;
  } cases[] = {
      {TMoveMode::AddChild, "B", "{A{g1,g2},x,B{m}}"},
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
  // A group never moves into its own subtree; the levels follow a moved group's contents.
  TCamRoot root(nullptr);
  TCamGroup* a = AddGroup(root, "A");
  TCamItem* x = AddItem(*AddGroup(*a, "B"), "x");
  a->MoveTo(a->Child(0), TMoveMode::AddChild);
  TCamGroup* c = AddGroup(root, "C");
  a->Child(0)->MoveTo(c, TMoveMode::AddChild);
  EXPECT_EQ(x->Level(), 3);
  // Without a tree view, showing and hiding nodes does nothing; names lose their colons.
  root.PopulateNodes(true);
  root.CollapseNodes();
  c->SetName("C:D");
  EXPECT_EQ(Outline(root), "{A{},CD{B{x}}}");
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

TEST(CatalogPath, JoinsGroupNamesWithoutTheRoot) {
  TCamRoot root(nullptr);
  auto* city = AddGroup(root, "City");
  auto* shop = AddGroup(*city, "Shop");
  auto* lobby = AddItem(*shop, "Lobby");
  auto* gate = AddItem(root, "Gate");
  AddItem(*shop, "Lobby")->Video().Web = "second of the same name";
  AddItem(root, "");

  EXPECT_EQ(CatalogPath(*lobby), "City:Shop:Lobby");
  EXPECT_EQ(CatalogPath(*gate), "Gate");
  EXPECT_EQ(FindByPath(root, "City:Shop:Lobby"), lobby);  // the first of equal names
  EXPECT_EQ(FindByPath(root, "Gate"), gate);
  EXPECT_EQ(FindByPath(root, "City"), city);
  EXPECT_NE(FindByPath(root, ""), nullptr);  // the entry with the empty name
  for (const char* missing : {"city:shop:lobby", "City:Nowhere:Lobby", "Gate:More", "City:Shop:"})
    EXPECT_EQ(FindByPath(root, missing), nullptr) << missing;
}

TEST(MergeHeaders, ReplacesHeadersOfTheSameName) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"X-A: 1\r\n", "x-a: 2\r\n", "x-a: 2\r\n"},
      {"X-A: 1\r\nB: 1\r\n", "x-a: 2", "B: 1\r\nx-a: 2\r\n"},
      {"plain\r\n", "plain\r\nother\r\n", "plain\r\nplain\r\nother\r\n"},
      {"", "\r\n\r\nA: 1\r\n", "A: 1\r\n"},
      {"X-AB: 1\r\n", "X-A: 2\r\n", "X-AB: 1\r\nX-A: 2\r\n"},
      {"X-A:\r\n", "X-A: 2\r\n", "X-A: 2\r\n"},
      {"A: 1\r\n", "A: 2\r\nA: 3\r\n", "A: 3\r\n"},
      {"", "", ""},
  };
  for (const auto& [before, more, merged] : cases) {
    std::string headers = before;
    MergeHeaders(headers, more);
    EXPECT_EQ(headers, merged) << before << " + " << more;
  }
}

TEST(EffectiveConnection, InnermostGroupWinsAndHeadersMergeOutsideIn) {
  TCamRoot root(nullptr);
  auto* outer = AddGroup(root, "Outer");
  outer->Auth = "outer-auth";
  outer->Prefix = "outer-prefix";
  outer->Headers = "X-A: 1\r\nX-B: outer\r\n";
  auto* inner = AddGroup(*outer, "Inner");
  inner->Prefix = "inner-prefix";
  inner->Headers = "X-B: inner\r\n";
  auto* entry = AddItem(*inner, "cam");
  entry->Video().Suffix = "own-suffix";
  entry->Video().Headers = "x-a: 2\r\n";
  entry->Audio().Auth = "audio-auth";
  entry->Audio().Headers = "Audio: yes\r\n";

  TEffectiveConnection eff = EffectiveConnection(*entry);
  EXPECT_EQ(eff.Auth, "outer-auth");
  EXPECT_EQ(eff.Prefix, "inner-prefix");
  EXPECT_EQ(eff.Suffix, "own-suffix");
  EXPECT_TRUE(eff.AuthFromGroup);
  EXPECT_TRUE(eff.PrefixFromGroup);
  EXPECT_FALSE(eff.SuffixFromGroup);
  EXPECT_EQ(eff.VideoHeaders, "X-B: inner\r\nx-a: 2\r\n");
  EXPECT_EQ(eff.AudioHeaders, "X-A: 1\r\nX-B: inner\r\nAudio: yes\r\n");

  TVideoConnect video = entry->Video();
  TAudioConnect audio = entry->Audio();
  ApplyFromTree(eff, video, audio);
  EXPECT_EQ(video.Auth, "outer-auth");
  EXPECT_EQ(audio.Auth, "outer-auth");  // a group's value goes into both copies
  EXPECT_EQ(audio.Suffix, "");          // the entry's own video value stays in the video copy
  EXPECT_EQ(video.Suffix, "own-suffix");
  EXPECT_EQ(audio.Headers, eff.AudioHeaders);

  // A desktop or the command line opens the entry by its path: every value as effective.
  inner->Suffix = "group-suffix";
  entry->Video().Suffix.clear();
  TVideoConnect byPath;
  ApplyByPath(EffectiveConnection(*entry), byPath);
  EXPECT_EQ(byPath.Auth, "outer-auth");
  EXPECT_EQ(byPath.Prefix, "inner-prefix");
  EXPECT_EQ(byPath.Suffix, "group-suffix");
  EXPECT_EQ(byPath.Headers, "X-B: inner\r\nx-a: 2\r\n");

  // An entry straight under the root inherits nothing.
  EXPECT_EQ(EffectiveConnection(*AddItem(root, "top")).Auth, "");
}

}  // namespace
}  // namespace vexilon
