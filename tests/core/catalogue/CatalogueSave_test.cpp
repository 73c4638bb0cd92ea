#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/AtomicFile.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/PublishedFile.h"
#include "support/CatalogueSamples.h"
#include "support/FakeCatalogueHost.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

class CatalogueSave : public ::testing::Test {
 protected:
  void SetUp() override { catalogue.ClearCatalogue(true); }
  TCamRoot& Root() { return *catalogue.FRoot; }

  TTempDir dir;
  TFakeCatalogueHost host;
  TCatalogue catalogue{host, nullptr};
  TFakeCatalogueHost otherHost;
  TCatalogue other{otherHost, nullptr};
};

TEST_F(CatalogueSave, SampleFileSavesByteForByte) {
  WriteBytes(dir.File("in.vxc"), kSampleCatalogue);
  catalogue.LoadMainFile(dir.File("in.vxc"));
  EXPECT_TRUE(catalogue.Save(dir.File("out.vxc")).Messages.empty());
  EXPECT_EQ(ReadBytes(dir.File("out.vxc")), kSampleCatalogue);
}

TEST_F(CatalogueSave, TextFileLeavesPublishedEntriesOutWithAWarning) {
  TCamGroup* a = AddGroup(Root(), "A");
  AddItem(*a, "x");
  AddItem(*a, "secret", kPublishedFlag);
  TCamGroup* pub = AddGroup(Root(), "Pub", kPublishedGroupFlag);
  AddItem(*pub, "p1");
  AddItem(*pub, "p2", kPublishedFlag);
  AddItem(Root(), "y");
  catalogue.FCatalogChanged = true;
  catalogue.FFavoritesChanged = true;

  std::string file = dir.File("cams.vxc");
  TSaveResult result = catalogue.Save(file);
  EXPECT_TRUE(result.Saved);
  ASSERT_EQ(result.Messages.size(), 1u);
  EXPECT_EQ(result.Messages[0].Text, "Warning: Published entries were not exported.");
  EXPECT_EQ(result.Messages[0].Kind, TCatalogueMessage::ErrorBox);
  EXPECT_FALSE(catalogue.FCatalogChanged);
  EXPECT_FALSE(catalogue.FFavoritesChanged);
  EXPECT_EQ(catalogue.FCurrentFile, file);
  EXPECT_EQ(host.FavoritesWritten, std::vector<std::string>{dir.File("cams.vxf")});
  // The published group itself is written; only its published entries are left out.
  EXPECT_EQ(LoadedOutline(file), "Cameras{A{x},Pub{p1},y}");
  // Export, which leaves published groups out as well: TreeMenu's export test.
}

TEST_F(CatalogueSave, AuxiliaryTextFileHoldsTheGroupContents) {
  std::string aux = dir.File("shop.vxc");
  TCamGroup* shop = AddGroup(Root(), "Shop", kSubGroupFlag);
  shop->SubGroup = aux;
  AddItem(*shop, "lobby");
  AddItem(*shop, "hidden", kPublishedFlag);
  TCamGroup* inner = AddGroup(*shop, "Inner", kSubGroupFlag);
  inner->SubGroup = dir.File("never-written.vxc");
  AddItem(*inner, "deep");
  AddGroup(*shop, "PubInside", kPublishedGroupFlag);
  AddItem(Root(), "gate");

  std::string file = dir.File("main.vxc");
  EXPECT_EQ(catalogue.Save(file).Messages.size(), 1u);  // "hidden" and "PubInside"
  EXPECT_EQ(ReadBytes(file), TextFile({"TYPE=ROOT NAME=Cameras", ":" + shop->GetDataText(),
                                       ":" + Root().Child(1)->GetDataText()}));
  EXPECT_EQ(ReadBytes(aux),
            TextFile({"TYPE=ROOT NAME=Cameras", ":" + shop->GetDataTextWithFlags(0),
                      "::" + shop->Child(0)->GetDataText(), "::" + inner->GetDataTextWithFlags(0),
                      ":::" + inner->Child(0)->GetDataText()}));
  EXPECT_FALSE(std::filesystem::exists(dir.File("never-written.vxc")));
  EXPECT_EQ(LoadedOutline(file), "Cameras{Shop{lobby,Inner{deep}},gate}");
}

TEST_F(CatalogueSave, PublishedCatalogueRoundTripsAndKeepsItsHeader) {
  AddItem(Root(), "a", kPublishedFlag);
  TCamGroup* g = AddGroup(Root(), "G");
  AddItem(*g, "b");
  Root().AutoUpdate = "http://pub/cams.vxp";
  catalogue.FPublished = true;
  std::string file = dir.File("cams.vxp");
  TSystemTime before = CurrentUtcTime();
  ASSERT_TRUE(catalogue.Save(file).Messages.empty());  // published files keep everything
  std::string first = ReadBytes(file);
  TPublishedHeader header;
  ASSERT_TRUE(ParsePublishedHeader(first, header));
  EXPECT_EQ(header.Serial, 0u);
  EXPECT_EQ(header.Time.Year, before.Year);

  other.LoadMainFile(file);
  EXPECT_TRUE(other.FPublished);
  EXPECT_EQ(Outline(*other.FRoot), "Cameras{a,G{b}}");
  EXPECT_EQ(other.FRoot->AutoUpdate, "http://pub/cams.vxp");
  EXPECT_EQ(otherHost.FavoritesLoaded, std::vector<std::string>{dir.File("cams.vxf")});

  // A rewrite keeps serial and time, and a shorter content shortens the file.
  std::string patched = first;
  patched.replace(4, 4, std::string("\x2A\0\0\0", 4));
  WriteBytes(file, patched);
  g->FreeChildren();
  catalogue.Save(file);
  std::string second = ReadBytes(file);
  EXPECT_EQ(second.substr(4, 20), patched.substr(4, 20));
  EXPECT_LT(second.size(), first.size());
  EXPECT_EQ(LoadedOutline(file), "Cameras{a,G{}}");
}

TEST_F(CatalogueSave, AuxiliaryPublishedFileMarksItsGroup) {
  TCamGroup* pub = AddGroup(Root(), "Pub", kSubGroupFlag | kPublishedGroupFlag);
  pub->SubGroup = dir.File("pub.vxp");
  pub->Prefix = "secret-prefix";
  AddItem(*pub, "p", kPublishedFlag);
  AddItem(*AddGroup(*pub, "Sub", kSubGroupFlag), "q");
  catalogue.Save(dir.File("main.vxc"));
  EXPECT_EQ(ReadBytes(pub->SubGroup).substr(0, 4), ".vxp");
  other.LoadMainFile(dir.File("main.vxc"));
  const TCamGroup& loaded = *other.FRoot->Child(0)->AsGroup();
  EXPECT_EQ(Outline(loaded), "Pub{p,Sub{q}}");
  EXPECT_EQ(loaded.Flags, kSubGroupFlag | kPublishedGroupFlag | kPublishedFileGroupFlag);
  EXPECT_EQ(loaded.Prefix, "secret-prefix");
  EXPECT_EQ(loaded.Child(1)->AsGroup()->Flags, 0);
}

TEST_F(CatalogueSave, FailuresKeepOldFilesAndSayWhy) {
  AddItem(Root(), "x");
  catalogue.FCatalogChanged = true;
  // A file that cannot be made at all: CatalogueController's save test.
  // A published save that fails leaves the old file as it was and says why.
  std::string file = dir.File("keep.vxp");
  WriteBytes(file, "old");
  catalogue.FPublished = true;
  AddItem(Root(), "huge")->Video().Web = std::string(70000, 'w');  // too long for a record
  TSaveResult result = catalogue.Save(file);
  EXPECT_FALSE(result.Saved);
  ASSERT_EQ(result.Messages.size(), 1u);
  EXPECT_EQ(result.Messages[0].Kind, TCatalogueMessage::PlainBox);
  EXPECT_EQ(result.Messages[0].Text.rfind("Error saving published file: " + file + "\r\n", 0), 0u);
  EXPECT_TRUE(catalogue.FCatalogChanged);
  EXPECT_EQ(ReadBytes(file), "old");
  Root().RemoveChild(Root().Child(1));

  // The favorites failing does not undo the saved catalogue.
  catalogue.FPublished = false;
  catalogue.FFavoritesChanged = true;
  host.FavoritesFailure = "disk full";
  result = catalogue.Save(dir.File("ok.vxc"));
  EXPECT_TRUE(result.Saved);
  ASSERT_EQ(result.Messages.size(), 1u);
  EXPECT_EQ(result.Messages[0].Text, "Error while saving favorites: disk full");
  EXPECT_FALSE(catalogue.FCatalogChanged);
  EXPECT_TRUE(catalogue.FFavoritesChanged);

  // An auxiliary file that cannot be written is skipped quietly.
  AddGroup(Root(), "G", kSubGroupFlag)->SubGroup = dir.File("missing/aux.vxc");
  host.FavoritesFailure.clear();
  EXPECT_TRUE(catalogue.Save(dir.File("ok.vxc")).Messages.empty());
}

TEST_F(CatalogueSave, PublishedRecordsEdgeCases) {
  const std::string header = Record("Vexilon Data File");
  const std::string a = Record(":" + ItemLine("a"));
  struct Case {
    const char* name;
    std::string records;
    const char* outline;
  } cases[] = {
      {"plain", header + a + RecordsEnd(), "Cameras{a}"},
      {"empty records skipped", header + Record("") + a + Record("") + Record(":" + ItemLine("b")),
       "Cameras{a,b}"},
      {"end mark ends", header + a + RecordsEnd() + Record(":x"), "Cameras{a}"},
      {"length beyond data", header + a + std::string("\x40\x00x", 3), "Cameras{a}"},
      {"odd byte at end", header + a + "\x05", "Cameras{a}"},
      {"wrong header", Record("Vexilon Data Fil") + a, "Cameras{}"},
      {"root record", header + Record("TYPE=ROOT NAME=Ignored AUTOUPDATE=http://x"), "Cameras{}"},
  };
  for (const Case& c : cases) {
    catalogue.ClearCatalogue(true);
    std::string file = dir.File("r.vxp");
    WriteBytes(file, PublishedFile(c.records));
    catalogue.LoadInto(Root(), file, 0);
    EXPECT_EQ(Outline(Root()), c.outline) << c.name;
    EXPECT_EQ(ReadBytes(file), PublishedFile(c.records)) << "never repaired: " << c.name;
  }
  EXPECT_EQ(Root().AutoUpdate, "http://x");

  // A record of the longest length reads; a line too long for a record fails the save.
  catalogue.ClearCatalogue(true);
  std::string longLine =
      ":" + ItemLine("L", 0, std::string(0xFFFE - ItemLine("L").size() + 1, 'w'));
  ASSERT_EQ(longLine.size(), 0xFFFEu);
  WriteBytes(dir.File("long.vxp"), PublishedFile(header + Record(longLine) + RecordsEnd()));
  catalogue.LoadInto(Root(), dir.File("long.vxp"), 0);
  EXPECT_EQ(Outline(Root()), "Cameras{L}");
  Root().Child(0)->AsItem()->Video().Web += "w";
  std::string message;
  EXPECT_FALSE(catalogue.SavePublished(&Root(), dir.File("long2.vxp"), false, message));
  EXPECT_NE(message.find("too long"), std::string::npos);
}

TEST_F(CatalogueSave, TruncatedOrDamagedCompressedDataKeepsWhatWasRead) {
  std::string records = Record("Vexilon Data File");
  for (int i = 0; i < 2000; ++i) records += Record(":" + ItemLine("cam" + std::to_string(i)));
  const std::string whole = PublishedFile(records + RecordsEnd());
  std::string damaged = whole;
  damaged[damaged.size() / 2] ^= 0x55;
  std::string file = dir.File("cut.vxp");
  for (const std::string& bytes : {whole.substr(0, whole.size() / 2), damaged}) {
    catalogue.ClearCatalogue(true);
    WriteBytes(file, bytes);
    catalogue.LoadInto(Root(), file, 0);
    EXPECT_GT(Root().ChildCount(), 10u);
    EXPECT_LT(Root().ChildCount(), 2000u);
  }

  // As the main file: the catalogue keeps what was read, the favorites are not read, and the
  // load ends as a file that is not valid.
  WriteBytes(file, whole.substr(0, 20));
  EXPECT_THROW(catalogue.LoadMainFile(file), ECatalogueFile);
  EXPECT_TRUE(host.FavoritesLoaded.empty());
  EXPECT_FALSE(host.WaitOpen);
}

}  // namespace
}  // namespace vexilon
