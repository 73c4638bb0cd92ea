#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/LineReader.h"
#include "support/CatalogueSamples.h"
#include "support/FakeCatalogueHost.h"
#include "support/FakeTreeNodes.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

class CatalogueLoad : public ::testing::Test {
 protected:
  void SetUp() override { catalogue.ClearCatalogue(true); }
  std::string Write(const std::string& name, const std::string& bytes) {
    WriteBytes(dir.File(name), bytes);
    return dir.File(name);
  }
  // Clears the catalogue and loads lines (a private file) into the root.
  std::string Load(const std::vector<std::string>& lines, int options = 0) {
    catalogue.ClearCatalogue(true);
    catalogue.LoadInto(Root(), Write("load.vxc", TextFile(lines)), options);
    return Outline(Root());
  }
  TCamRoot& Root() { return *catalogue.FRoot; }

  TTempDir dir;
  TFakeCatalogueHost host;
  TFakeTreeNodes tree;
  TCatalogue catalogue{host, &tree};
};

TEST_F(CatalogueLoad, ReadsLinesByDepthWithAnyLineEnd) {
  const std::string crlf = TextFile(
      {"TYPE=ROOT NAME=R", ":" + GroupLine("A"), "::" + ItemLine("x"), ":" + ItemLine("y")});
  std::string lf = crlf;
  std::erase(lf, '\r');
  std::string cr = crlf;
  std::erase(cr, '\n');
  for (const std::string& content : {crlf, lf, cr}) {
    catalogue.ClearCatalogue(true);
    catalogue.FItemsLoaded = 0;
    std::string file = Write("le.vxc", content);
    catalogue.LoadInto(Root(), file, 0);
    EXPECT_EQ(Outline(Root()), "R{A{x},y}");
    EXPECT_EQ(catalogue.FItemsLoaded, 2);
    // The root shows its children; deeper levels stay collapsed.
    EXPECT_EQ(tree.Dump(), "Cameras[1]+*\n  A[1]+\n  y[0]\n");
    EXPECT_EQ(ReadBytes(file), content == lf ? cr : content);  // lone LFs repaired on disk
  }
}

TEST_F(CatalogueLoad, LostLinesTakeOnlyTheirOwnSubtreeWithThem) {
  // Deliberately mended: a line with too many colons (or below an entry) must not become the
  // parent of the lines after it.
  EXPECT_EQ(
      Load({":" + GroupLine("A"), "::" + ItemLine("a1"),
            ":::" + GroupLine("lostGroup"),  // below an entry
            "::::" + ItemLine("underLost"), "::" + ItemLine("a2"), ":::::" + GroupLine("tooDeep"),
            "::::::" + ItemLine("underTooDeep"), ":" + ItemLine("y"), "TYPE=ITEM NAME=noColon",
            ":" + GroupLine("B"), ":::" + ItemLine("skipsALevel"), "::" + ItemLine("b1")}),
      "Cameras{A{a1,a2},y,B{b1}}");
  // A line without colons hangs below the current node; below an entry it is lost alone.
  EXPECT_EQ(Load({":" + GroupLine("A"), ItemLine("inA"), ":" + ItemLine("x"),
                  ItemLine("belowEntry"), "::" + ItemLine("alsoBelowEntry"), ":" + ItemLine("y")}),
            "Cameras{A{inA},x,y}");

  // Inside a group, a lost line does not end the load either.
  TCamGroup* inner = AddGroup(*AddGroup(Root(), "G"), "In");
  catalogue.LoadInto(*inner,
                     Write("in.vxc", TextFile({":" + ItemLine("a"), ":::" + ItemLine("lost"),
                                               ":" + ItemLine("b")})),
                     0);
  EXPECT_EQ(Outline(Root()), "Cameras{A{inA},x,y,G{In{a,b}}}");
}

TEST_F(CatalogueLoad, WrongOrMissingFilesAddNothing) {
  catalogue.LoadInto(Root(), Write("bad.vxc", "Vexilon Data File!\r\n:" + ItemLine("x")), 0);
  catalogue.LoadInto(Root(), dir.File("missing.vxc"), 0);
  catalogue.LoadInto(Root(), Write("empty.vxc", ""), 0);
  EXPECT_EQ(Outline(Root()), "Cameras{}");
  for (const char* name : {"bad.vxc", "missing.vxc"}) {
    EXPECT_THAT(
        [&] { catalogue.LoadMainFile(dir.File(name)); },
        testing::ThrowsMessage<ECatalogueFile>(testing::StrEq("Not a valid Vexilon data file")));
  }
  EXPECT_FALSE(host.WaitOpen);
}

TEST_F(CatalogueLoad, MainFileReplacesTheCatalogueAndReportsProgress) {
  std::vector<std::string> lines = {"TYPE=ROOT NAME=Mine AUTOUPDATE=\"\"", ":" + GroupLine("A")};
  for (int i = 0; i < 250; ++i) lines.push_back("::" + ItemLine("cam" + std::to_string(i)));
  std::string file = Write("main.vxc", TextFile(lines));
  AddItem(Root(), "before");
  catalogue.FCatalogChanged = true;

  catalogue.LoadMainFile(file);
  EXPECT_EQ(Root().Name, "Mine");
  EXPECT_EQ(Root().ChildCount(), 1u);
  EXPECT_EQ(Root().TreeNode()->Text(), "Cameras");  // the root's node keeps its caption
  EXPECT_EQ(Root().Child(0)->AsRoot()->ChildCount(), 250u);
  EXPECT_EQ(catalogue.FCurrentFile, file);
  EXPECT_FALSE(catalogue.FPublished);
  EXPECT_FALSE(catalogue.FCatalogChanged);
  EXPECT_EQ(host.FavoritesLoaded, std::vector<std::string>{dir.File("main.vxf")});
  EXPECT_EQ(host.WaitTexts, (std::vector<std::string>{"Please Wait|Loading Connection File.",
                                                      "Loading connection file. 100",
                                                      "Loading connection file. 200"}));
  EXPECT_FALSE(host.WaitOpen);
  EXPECT_EQ(tree.Count(), 2u);
}

TEST_F(CatalogueLoad, SettingsLinesAreTakenOnlyUntilSettingsComeFromAFile) {
  std::string file = Write("s.vxc", TextFile({"TYPE=TIMEOUT VALUE=30", "TYPE=PROXY VALUE=px:81",
                                              "TYPE=ASPECT VALUE=0", ":" + ItemLine("x")}));
  catalogue.LoadInto(Root(), file, 0);  // not asked to take them
  EXPECT_EQ(host.Taken.Timeout, 15);

  host.FromFile = false;
  catalogue.LoadMainFile(file);
  EXPECT_EQ(host.Taken.Timeout, 30);
  EXPECT_EQ(host.Taken.Proxy, "px:81");
  EXPECT_EQ(host.Taken.ProxyType, 1);
  EXPECT_FALSE(host.Taken.Aspect);
  EXPECT_EQ(host.SettingsWrites, 1);
  EXPECT_EQ(Outline(Root()), "Cameras{x}");

  host.Taken = TSettings();
  catalogue.LoadMainFile(file);  // the settings now come from the file
  EXPECT_EQ(host.Taken.Timeout, 15);
  EXPECT_EQ(host.SettingsWrites, 1);

  host.FromFile = false;
  catalogue.LoadMainFile(Write(
      "d.vxc", TextFile({"TYPE=TIMEOUT VALUE=x", "TYPE=PROXY VALUE=", "TYPE=ASPECT VALUE=y"})));
  EXPECT_EQ(host.Taken.Timeout, 15);
  EXPECT_EQ(host.Taken.ProxyType, 0);
  EXPECT_TRUE(host.Taken.Aspect);
}

TEST_F(CatalogueLoad, AuxiliaryFileWithOneTopGroupMergesIntoTheGroup) {
  std::string aux = Write("aux.vxc", TextFile({"TYPE=ROOT NAME=Other",
                                               ":TYPE=GROUP NAME=Renamed AUTH=au "
                                               "FLAGS=0 SUBGROUP=elsewhere HEADERS=H:1",
                                               "::" + ItemLine("in1"), "::" + ItemLine("in2")}));
  TCamGroup* g = AddGroup(Root(), "G", kSubGroupFlag);
  g->SubGroup = aux;
  AddItem(*g, "old");
  catalogue.LoadSubGroup(*g, 0);
  EXPECT_EQ(Outline(Root()), "Cameras{Renamed{in1,in2}}");  // a group ignores the root line
  EXPECT_EQ(g->Auth, "au");
  EXPECT_EQ(g->Headers, "H:1\r\n");
  EXPECT_EQ(g->Flags, kSubGroupFlag);
  EXPECT_EQ(g->SubGroup, aux);
  EXPECT_EQ(g->Child(0)->Level(), 2);

  // Two top-level nodes: no merging, they become the group's children.
  WriteBytes(aux, TextFile({":" + ItemLine("t1"), ":" + GroupLine("t2"), "::" + ItemLine("t3")}));
  catalogue.LoadSubGroup(*g, 0);
  EXPECT_EQ(Outline(Root()), "Cameras{Renamed{in1,in2,t1,t2{t3}}}");
}

TEST_F(CatalogueLoad, ImportMergesByNameAndKind) {
  std::string file = Write(
      "imp.vxc", TextFile({"TYPE=ROOT NAME=Imported AUTOUPDATE=http://u/x.vxp",
                           ":TYPE=GROUP NAME=G AUTH=new", "::" + ItemLine("e", 0, "new"),
                           "::" + ItemLine("f"), ":" + GroupLine("same"), ":" + ItemLine("same")}));
  // Into the root (imports into a folder or beside an entry: TreeMenu's import test).
  TCamGroup* g = AddGroup(Root(), "G");
  TCamItem* e = AddItem(*g, "e");
  AddItem(Root(), "same");
  catalogue.Import(file, &Root());
  EXPECT_EQ(Outline(Root()), "Imported{G{e,f},same,same{}}");
  EXPECT_EQ(g->Auth, "new");
  EXPECT_EQ(e->Video().Web, "new");
  EXPECT_EQ(Root().AutoUpdate, "http://u/x.vxp");
  EXPECT_FALSE(catalogue.FCatalogChanged);
}

TEST_F(CatalogueLoad, HostileNestingIsCapped) {
  std::vector<std::string> lines;
  for (int depth = 1; depth <= 3000; ++depth)
    lines.push_back(std::string(depth, ':') + GroupLine("g"));
  lines.push_back(":" + ItemLine("after"));
  Load(lines);
  int depth = 0;
  for (const TCamRoot* node = &Root(); node->ChildCount() > 0; ++depth)
    node = node->Child(0)->AsRoot();
  EXPECT_EQ(depth, kMaxCatalogueDepth);
  EXPECT_EQ(Root().Child(1)->Name, "after");
  catalogue.ClearCatalogue(false);  // freeing the deep tree must not overflow either
}

TEST_F(CatalogueLoad, AuxiliaryFilesOfOtherKindsAreNeverRewrittenOrWaitedOn) {
  std::string other = Write("notes.txt", "line one\nline two\n");
  std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(
      Load({":" + GroupLine("A", kSubGroupFlag, other), ":" + GroupLine("B", kSubGroupFlag, fifo),
            ":" + GroupLine("C", kSubGroupFlag, "/dev/zero")},
           LoadSubGroups),
      "Cameras{A{},B{},C{}}");
  EXPECT_EQ(ReadBytes(other), "line one\nline two\n");
}

std::vector<std::string> ReadAll(const std::string& path, std::size_t maxLine = kMaxLineBytes) {
  TLineReader reader(maxLine);
  EXPECT_TRUE(reader.Open(path));
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return lines;
}

TEST(LineReader, EndsLinesAtCrLfCrAndLfAcrossBufferBoundariesAndCutsLongLines) {
  TTempDir dir;
  std::string path = dir.File("t.txt");
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a\rb\nc\r\n\r\nd", {"a", "b", "c", "", "d"}},
      {"\n\r\r\n", {"", "", ""}},
      {std::string("x\0y\r\n", 5), {std::string("x\0y", 3)}},
  };
  for (const auto& [bytes, lines] : cases) {
    WriteBytes(path, bytes);
    EXPECT_EQ(ReadAll(path), lines) << bytes;
  }
  TLineReader reader;
  EXPECT_FALSE(reader.Open(dir.File("missing")));

  // The CR of a CR LF pair as the last byte of the first 64 KiB read.
  const std::string first(64 * 1024 - 1, 'a'), second(100000, 'b');
  WriteBytes(path, first + "\r\n" + second + "\nlast");
  EXPECT_TRUE(ReadAll(path) == (std::vector<std::string>{first, second, "last"}));
  EXPECT_EQ(ReadAll(path, 10), (std::vector<std::string>{"aaaaaaaaaa", "bbbbbbbbbb", "last"}));
}

}  // namespace
}  // namespace vexilon
