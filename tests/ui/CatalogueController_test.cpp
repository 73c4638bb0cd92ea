#include <QAction>
#include <QTreeWidget>

#include "UiTestSupport.h"
#include "core/catalogue/Catalogue.h"
#include "ui/app/MainWindow.h"
#include "ui/catalogue/CatalogueController.h"

namespace vexilon {
namespace {

const char* kCatalogue =
    "Vexilon Data File\r\n"
    "TYPE=ROOT NAME=Cameras\r\n"
    ":TYPE=GROUP NAME=City AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=0 SUBGROUP=\"\" HEADERS=\"\"\r\n"
    "::TYPE=ITEM NAME=Square WEB=s AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=320 HEIGHT=240 INTERVAL=250\r\n"
    ":TYPE=ITEM NAME=Gate WEB=g AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=320 HEIGHT=240 INTERVAL=250\r\n";

class TCatalogueControllerTest : public TUiTest {
 protected:
  void SetUp() override {
    TUiTest::SetUp();
    SetCommandLine({"/NOWEB"});
    TDialogs::SetUnattended(true);
  }
  void Write(const char* name, const std::string& text) { WriteFileAtomically(File(name), text); }

  static QStringList Rows(QTreeWidgetItem* item) {
    QStringList rows;
    for (int i = 0; i < item->childCount(); ++i) rows << item->child(i)->text(0);
    return rows;
  }
};

TEST_F(TCatalogueControllerTest, StartupShowsTheRootExpandedWithFoldersClosed) {
  Write("Vexilon.vxc", kCatalogue);
  TfrmVexilon window;
  window.StartPrimary(false);
  QTreeWidget* tree = window.Tree();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Cameras");
  EXPECT_TRUE(root->isExpanded());
  EXPECT_EQ(Rows(root), QStringList({"City", "Gate"}));
  QTreeWidgetItem* city = root->child(0);
  EXPECT_FALSE(city->isExpanded());
  EXPECT_EQ(city->childCount(), 0);  // rows exist only for open folders
  EXPECT_EQ(city->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

  city->setExpanded(true);
  EXPECT_EQ(Rows(city), QStringList({"Square"}));
  city->setExpanded(false);
  EXPECT_EQ(city->childCount(), 0);
  root->setExpanded(false);  // the root stays open
  EXPECT_TRUE(root->isExpanded());
}

TEST_F(TCatalogueControllerTest, StartupCopiesTheInstallersCatalogue) {
  Write("VXInst.vxc", kCatalogue);
  TfrmVexilon window;
  window.StartPrimary(false);
  std::string copied;
  EXPECT_TRUE(ReadWholeFile(File("Vexilon.vxc"), copied));
  EXPECT_EQ(window.Tree()->topLevelItem(0)->childCount(), 2);
}

TEST_F(TCatalogueControllerTest, StartupWithABadFileShowsOnlyTheRootAndNoMessage) {
  Write("Vexilon.vxc", "garbage\r\n");
  TfrmVexilon window;
  window.StartPrimary(false);
  EXPECT_EQ(window.Tree()->topLevelItemCount(), 1);
  EXPECT_EQ(window.Tree()->topLevelItem(0)->childCount(), 0);
  EXPECT_EQ(TDialogs::MessageCount(), 0);
}

TEST_F(TCatalogueControllerTest, OpeningABadFileReportsItAndKeepsTheCatalogue) {
  Write("Vexilon.vxc", kCatalogue);
  Write("bad.vxc", "Something else\r\n");
  TfrmVexilon window;
  window.StartPrimary(false);
  TDialogs::SetNextFileName(QString::fromStdString(File("bad.vxc")));
  window.findChild<QAction*>("Open1")->trigger();
  EXPECT_EQ(TDialogs::LastMessageText(), "Not a valid Vexilon data file");
  EXPECT_EQ(window.Tree()->topLevelItem(0)->childCount(), 2);
  EXPECT_EQ(window.Catalogue()->Catalogue().FCurrentFile, File("Vexilon.vxc"));
}

TEST_F(TCatalogueControllerTest, SaveWritesTheFileAndClearsTheChangedFlags) {
  Write("Vexilon.vxc", kCatalogue);
  TfrmVexilon window;
  window.StartPrimary(false);
  window.SetCatalogChanged(true);
  window.SetFavoritesChanged(true);
  TDialogs::SetNextFileName(QString::fromStdString(File("copy.vxc")));
  window.findChild<QAction*>("Save1")->trigger();
  EXPECT_FALSE(window.CatalogChanged());
  EXPECT_FALSE(window.FavoritesChanged());
  std::string saved, favorites;
  ASSERT_TRUE(ReadWholeFile(File("copy.vxc"), saved));
  EXPECT_EQ(saved, kCatalogue);
  ASSERT_TRUE(ReadWholeFile(File("copy.vxf"), favorites));
  EXPECT_EQ(favorites, "Vexilon Favorites File\r\n");
}

TEST_F(TCatalogueControllerTest, OpenOffersToSaveChangesFirstAndCancelStops) {
  Write("Vexilon.vxc", kCatalogue);
  TfrmVexilon window;
  window.StartPrimary(false);
  window.SetCatalogChanged(true);
  TDialogs::SetNextAnswer(QMessageBox::Cancel);
  TDialogs::SetNextFileName(QString::fromStdString(File("never.vxc")));
  window.findChild<QAction*>("Open1")->trigger();
  EXPECT_EQ(TDialogs::LastMessageText(), "Connections have changed, do you want to save?");
  EXPECT_TRUE(window.CatalogChanged());
}

TEST_F(TCatalogueControllerTest, FailedSaveLeavesTheOldFileAndReportsIt) {
  Write("Vexilon.vxc", kCatalogue);
  TfrmVexilon window;
  window.StartPrimary(false);
  window.SetCatalogChanged(true);
  TDialogs::SetNextFileName(QString::fromStdString(File("no/such/folder/x.vxc")));
  window.findChild<QAction*>("Save1")->trigger();
  EXPECT_TRUE(window.CatalogChanged());
  EXPECT_TRUE(TDialogs::LastMessageText().contains("no/such/folder/x.vxc"));
}

}  // namespace
}  // namespace vexilon
