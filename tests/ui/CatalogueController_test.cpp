#include <sys/stat.h>

#include <QFile>

#include "TreeTestSupport.h"
#include "core/catalogue/PublishedFile.h"
#include "support/CatalogueSamples.h"
#include "support/LoopbackServer.h"

namespace vexilon {
namespace {

class TCatalogueControllerTest : public TUiTest {
 protected:
  // A started main window over the program folder's files (name, content).
  std::unique_ptr<TfrmVexilon> Start(
      std::initializer_list<std::pair<const char*, std::string>> files) {
    SetCommandLine({"/NOWEB"});
    for (const auto& [name, content] : files) WriteFileAtomically(File(name), content);
    auto window = std::make_unique<TfrmVexilon>();
    window->StartPrimary(false);
    return window;
  }
  static QTreeWidgetItem* Root(TfrmVexilon& window) { return window.Tree()->topLevelItem(0); }
  void Choose(const char* file, const char* command, TfrmVexilon& window) {
    TDialogs::SetNextFileName(QString::fromStdString(File(file)));
    Child<QAction>(window, command)->trigger();
  }
};

TEST_F(TCatalogueControllerTest, StartupLoadsTheCatalogueOrTheInstallersOrJustTheRoot) {
  struct TRow {
    const char* File;
    const char* Content;
    QStringList Rows;
  } rows[] = {{"Vexilon.vxc", kSampleCatalogue, {"City", "Car Park"}},
              {"VXInst.vxc", kSampleCatalogue, {"City", "Car Park"}},
              {"Vexilon.vxc", "garbage\r\n", {}}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.File);
    QFile::remove(QString::fromStdString(File("Vexilon.vxc")));
    auto window = Start({{row.File, row.Content}});
    ASSERT_EQ(window->Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Rows(Root(*window)), row.Rows);
    EXPECT_EQ(TDialogs::MessageCount(), 0);
  }
  // A starting catalogue that cannot be copied is reported, and the one named still loads.
  QFile::remove(QString::fromStdString(File("Vexilon.vxc")));
  QFile::remove(QString::fromStdString(File("VXInst.vxc")));
  ASSERT_EQ(::mkfifo(File("VXInst.vxc").c_str(), 0600), 0);
  WriteFileAtomically(File("other.vxc"), kSampleCatalogue);
  SetCommandLine({"/NOWEB", "/C=" + File("other.vxc")});
  auto window = std::make_unique<TfrmVexilon>();
  window->StartPrimary(false);
  EXPECT_EQ(Rows(Root(*window)), QStringList({"City", "Car Park"}));
  EXPECT_TRUE(TDialogs::LastMessageText().startsWith("The starting catalogue could not be copied"));
}

TEST_F(TCatalogueControllerTest, RowsExistOnlyForOpenFoldersAndTheRootStaysOpen) {
  auto window = Start({{"Vexilon.vxc", kSampleCatalogue}});
  QTreeWidgetItem* root = Root(*window);
  EXPECT_EQ(root->text(0), "Cameras");
  EXPECT_TRUE(root->isExpanded());
  QTreeWidgetItem* city = root->child(0);
  EXPECT_FALSE(city->isExpanded());
  EXPECT_EQ(city->childCount(), 0);
  EXPECT_EQ(city->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

  city->setExpanded(true);
  EXPECT_EQ(Rows(city), QStringList({"Shop"}));
  city->setExpanded(false);
  EXPECT_EQ(city->childCount(), 0);
  root->setExpanded(false);
  EXPECT_TRUE(root->isExpanded());
}

TEST_F(TCatalogueControllerTest, OpeningABadFileReportsItAndKeepsTheCatalogue) {
  auto window = Start({{"Vexilon.vxc", kSampleCatalogue}, {"bad.vxc", "Something else\r\n"}});
  Choose("bad.vxc", "Open1", *window);
  EXPECT_EQ(TDialogs::LastMessageText(), "Not a valid Vexilon data file");
  EXPECT_EQ(Root(*window)->childCount(), 2);
  EXPECT_EQ(window->Catalogue()->Catalogue().FCurrentFile, File("Vexilon.vxc"));

  // With changes, Open first offers to save them; Cancel stops it.
  window->SetCatalogChanged(true);
  TDialogs::SetNextAnswer(QMessageBox::Cancel);
  Choose("never.vxc", "Open1", *window);
  EXPECT_EQ(TDialogs::LastMessageText(), "Connections have changed, do you want to save?");
  EXPECT_TRUE(window->CatalogChanged());
}

TEST_F(TCatalogueControllerTest, SaveWritesBothFilesOrReportsTheFailure) {
  auto window = Start({{"Vexilon.vxc", kSampleCatalogue}});
  window->SetCatalogChanged(true);
  window->SetFavoritesChanged(true);
  Choose("no/such/folder/x.vxc", "Save1", *window);
  EXPECT_TRUE(window->CatalogChanged());
  EXPECT_TRUE(TDialogs::LastMessageText().contains("no/such/folder/x.vxc"));

  Choose("copy.vxc", "Save1", *window);
  EXPECT_FALSE(window->CatalogChanged());
  EXPECT_FALSE(window->FavoritesChanged());
  std::string saved, favorites;
  ASSERT_TRUE(ReadWholeFile(File("copy.vxc"), saved));
  EXPECT_EQ(saved, kSampleCatalogue);
  ASSERT_TRUE(ReadWholeFile(File("copy.vxf"), favorites));
  EXPECT_EQ(favorites, "Vexilon Favorites File\r\n");
}

// A published catalogue holding one entry, announcing its updates at address.
std::string Published(const std::string& item, unsigned serial, const std::string& address) {
  std::string records;
  AppendRecord(records, "Vexilon Data File");
  AppendRecord(records, "TYPE=ROOT NAME=R AUTOUPDATE=" + address);
  AppendRecord(records, ":TYPE=ITEM NAME=" + item + " WEB=x");
  AppendRecordsEnd(records);
  TPublishedHeader header;
  header.Serial = serial;
  header.Time = {2024, 3, 2, 5, 15, 7, 0, 0};
  return FormatPublishedHeader(header) + Deflate(records);
}

TEST_F(TCatalogueControllerTest, APublishedFileAsksBeforeItUpdatesItself) {
  const std::string newFile = Published("new", 6, "");
  std::string version = newFile.substr(0, kPublishedHeaderSize);
  for (int shift = 0; shift < 32; shift += 8) version += char((newFile.size() >> shift) & 0xFF);
  TLoopbackServer server([&](TServerConnection& c, int) {
    const bool wantsVersion = c.ReadHead().rfind("GET /pub.vxv ", 0) == 0;
    c.Send("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" +
           (wantsVersion ? version : newFile));
  });
  auto window = Start({{"Vexilon.vxc", kSampleCatalogue},
                       {"pub.vxp", Published("old", 5, server.Address("/pub.vxp"))}});

  TDialogs::SetNextAnswer(QMessageBox::No);
  Choose("pub.vxp", "Open1", *window);
  EXPECT_TRUE(TDialogs::LastMessageText().startsWith("There is an update available.\r\n"));
  EXPECT_EQ(Rows(Root(*window)), QStringList({"old"}));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(File("pub.bak"))));

  TDialogs::SetNextAnswer(QMessageBox::Yes);
  Choose("pub.vxp", "Open1", *window);
  EXPECT_EQ(Rows(Root(*window)), QStringList({"new"}));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(File("pub.bak"))));
  EXPECT_EQ(TDialogs::MessageCount(), 2);
}

}  // namespace
}  // namespace vexilon
