#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>

#include "CameraTestSupport.h"
#include "core/catalogue/Catalogue.h"
#include "ui/app/DesktopList.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/OrganizeFavorites.h"

namespace vexilon {
namespace {

// A primary desktop window on the catalogue Cameras(Outdoor(Harbour) Gate), whose favorites
// file holds Gate, and Harbour in the folder Town/Night beside a favorite whose entry is gone.
class TFavoritesTest : public TCameraTest {
 protected:
  void SetUp() override {
    TCameraTest::SetUp();
    const std::string item = " WEB=" + Address("/push?size=160x120") +
                             " AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 WIDTH=160 "
                             "HEIGHT=120 INTERVAL=250\r\n";
    WriteFileAtomically(File("Vexilon.vxc"),
                        "Vexilon Data File\r\nTYPE=ROOT NAME=Cameras\r\n"
                        ":TYPE=GROUP NAME=Outdoor AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=0 "
                        "SUBGROUP=\"\" HEADERS=\"\"\r\n::TYPE=ITEM NAME=Harbour" +
                            item + ":TYPE=ITEM NAME=Gate" + item);
    WriteFileAtomically(File("Vexilon.vxf"),
                        "Vexilon Favorites File\r\nGate=Gate\r\n[Town]\r\n[Night]\r\n"
                        "Harbour=Outdoor:Harbour\r\n[]\r\nLost=Outdoor:Nowhere\r\n[]\r\n");
    SetCommandLine({"/NOWEB"});
    FDesktop->StartPrimary(false);
    TDialogs::Reset();
  }
  void TearDown() override {
    delete FSecond.data();
    TCameraTest::TearDown();
  }

  TFavoriteList& Favorites() { return FDesktop->Catalogue()->Catalogue().FFavorites; }
  // The Favorites menu of desktop as it is when opened.
  static QMenu* OpenFavoritesMenu(TfrmVexilon* desktop) {
    auto* menu = Child<QMenu>(*desktop, "Favorites1");
    emit menu->aboutToShow();
    return menu;
  }
  static QAction* Entry(QMenu* menu, const QString& caption) {
    for (QAction* item : menu->actions()) {
      if (item->text() == caption) return item;
    }
    return nullptr;
  }
  // Answers the next name question with name.
  static void AnswerName(const QString& name) {
    TDialogs::SetNextDialogHandler([name](QDialog& dialog) {
      Child<QLineEdit>(dialog, "edtText")->setText(name);
      return int(QDialog::Accepted);
    });
  }
  QPointer<TfrmVexilon> FSecond;
};

TEST_F(TFavoritesTest, EveryDesktopsMenuListsTheFavoritesAndOpensThemThere) {
  FSecond = TfrmVexilon::CreateDesktopWindow();
  QMenu* menu = OpenFavoritesMenu(FSecond);
  EXPECT_TRUE(Item(FSecond, "AddtoFavorites1")->isEnabled());
  QAction* town = Entry(menu, "Town");
  ASSERT_TRUE(town != nullptr && town->menu() != nullptr);
  QAction* night = Entry(town->menu(), "Night");
  ASSERT_TRUE(night != nullptr && night->menu() != nullptr);
  Entry(night->menu(), "Harbour")->trigger();
  ASSERT_EQ(FSecond->CameraWindows()->Windows().size(), 1);
  EXPECT_EQ(FSecond->CameraWindows()->Windows()[0]->CatalogPath(), "Outdoor:Harbour");
  EXPECT_EQ(FSecond->CameraWindows()->Windows()[0]->WindowStyle(), csMdiChild);
  EXPECT_TRUE(FDesktop->CameraWindows()->Windows().isEmpty());

  // A favorite whose entry is gone opens nothing and says why.
  Entry(town->menu(), "Lost")->trigger();
  EXPECT_EQ(FSecond->CameraWindows()->Windows().size(), 1);
  EXPECT_EQ(FSecond->StatusText(), "Favorite not found in the catalogue: Outdoor:Nowhere");

  // Opening the menu again rebuilds it rather than adding to it.
  menu = OpenFavoritesMenu(FSecond);
  EXPECT_EQ(menu->actions().size(), 3 + 2);  // Add, Organize, separator, Gate, Town
}

TEST_F(TFavoritesTest, AddAsksForAUsableNameAndAddsToTheOneList) {
  FSecond = TfrmVexilon::CreateDesktopWindow();
  Item(FSecond, "AddtoFavorites1")->trigger();
  EXPECT_EQ(TDialogs::LastMessageText(), "No active camera window to add to favorites");
  EXPECT_FALSE(FDesktop->FavoritesChanged());

  ASSERT_NE(FSecond->OpenCameraByPath("Outdoor:Harbour", -1, -1, -1, -1, csMdiChild), nullptr);
  for (const char* bad : {"a=b", "", "[x]"}) AnswerName(bad);
  AnswerName("Pier");
  Item(FSecond, "AddtoFavorites1")->trigger();
  EXPECT_EQ(TDialogs::MessageCount(), 1 + 3);
  EXPECT_EQ(TDialogs::LastMessageText(),
            "Favorite name may not contain equals sign =, square brackets [ ] or be blank.");
  TDialogs::SetNextDialogHandler([](QDialog&) { return int(QDialog::Accepted); });
  Item(FSecond, "AddtoFavorites1")->trigger();  // the proposed name: the camera's
  ASSERT_EQ(Favorites().size(), 4u);
  EXPECT_EQ(Favorites()[2]->Name, "Pier");
  EXPECT_EQ(Favorites()[3]->Name, "Harbour");
  EXPECT_EQ(Favorites()[3]->Value, "Outdoor:Harbour");
  EXPECT_TRUE(FDesktop->FavoritesChanged());
  EXPECT_NE(Entry(OpenFavoritesMenu(FDesktop.get()), "Pier"), nullptr);

  // Cancel adds nothing.
  TDialogs::SetNextDialogHandler([](QDialog&) { return int(QDialog::Rejected); });
  Item(FSecond, "AddtoFavorites1")->trigger();
  EXPECT_EQ(Favorites().size(), 4u);

  // The camera's Edit Item changes its entry, and the camera connects as the entry now says.
  TfrmCamera* camera = FSecond->CameraWindows()->Windows()[0];
  const QString changed = QString::fromStdString(Address("/push?size=200x100"));
  TDialogs::SetNextDialogHandler([changed](QDialog& editor) {
    Child<QLineEdit>(editor, "edtWEB")->setText(changed);
    return int(QDialog::Accepted);
  });
  Item(camera, "EditItem1")->trigger();
  EXPECT_TRUE(FDesktop->CatalogChanged());
  EXPECT_TRUE(WaitFor([&] { return camera->Picture().Width == 200; }));
  EXPECT_EQ(camera->CaptionBase(), "Harbour");
}

TEST_F(TFavoritesTest, TheOrganiserMovesRenamesAndDeletesAndOnlyOkKeepsIt) {
  TfrmOrganizeFavorites dialog;
  dialog.Fill(Favorites());
  dialog.show();  // names are edited only in a visible tree
  QTreeWidget* tree = dialog.Tree();
  QTreeWidgetItem* gate = tree->topLevelItem(0);
  QTreeWidgetItem* town = tree->topLevelItem(1);
  QTreeWidgetItem* night = town->child(0);
  QTreeWidgetItem* lost = town->child(1);
  dialog.DropNode(town, night);     // not into itself
  dialog.DropNode(town, town);      // nor onto itself
  dialog.DropNode(lost, gate);      // before a plain favorite
  dialog.DropNode(gate, night);     // last into a folder
  dialog.DropNode(night, nullptr);  // empty space: the end of the top level
  auto names = [&] {
    std::string text = FormatFavorites(dialog.Favorites());
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
    return text;
  };
  EXPECT_EQ(names(),
            "Lost=Outdoor:Nowhere [Town] [] [Night] Harbour=Outdoor:Harbour Gate=Gate [] ");

  // Delete asks first; an empty new folder is kept; a folder renamed to nothing is not written.
  tree->setCurrentItem(night);
  TDialogs::SetNextAnswer(QMessageBox::No);
  dialog.btnDeleteClick();
  EXPECT_EQ(TDialogs::LastMessageText(),
            "Delete folder: \"Night\" and all subfolders and entries?");
  tree->setCurrentItem(tree->topLevelItem(0));
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  dialog.btnDeleteClick();
  EXPECT_EQ(TDialogs::LastMessageText(), "Delete entry: \"Lost\"?");
  tree->setCurrentItem(night->child(1));
  dialog.btnCreateFolderClick();  // beside Gate, inside Night
  EXPECT_TRUE(night->isExpanded());
  tree->topLevelItem(0)->setText(0, "");
  EXPECT_EQ(names(), "[Night] Harbour=Outdoor:Harbour Gate=Gate [New Folder] [] [] ");

  // Move to Folder offers the folders the node may go into.
  tree->setCurrentItem(night->child(0));
  TDialogs::SetNextDialogHandler([](QDialog& chooser) {
    auto* list = Child<QListWidget>(chooser, "lstFolders");
    EXPECT_EQ(list->item(3)->text(), "Night / New Folder");
    list->setCurrentRow(3);
    return int(QDialog::Accepted);
  });
  dialog.btnMoveClick();
  EXPECT_EQ(names(), "[Night] Gate=Gate [New Folder] Harbour=Outdoor:Harbour [] [] ");

  // The first OK after a rename only ends the editing.
  dialog.btnRenameClick();
  dialog.btnOkClick();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  dialog.btnOkClick();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  // Through the menu: Cancel changes nothing, OK replaces the list, and Save writes it.
  TDialogs::SetNextDialogHandler([](QDialog&) { return int(QDialog::Rejected); });
  Item(FDesktop.get(), "OrganizeFavorites1")->trigger();
  EXPECT_FALSE(FDesktop->FavoritesChanged());
  TDialogs::SetNextDialogHandler([](QDialog& shown) {
    auto& organiser = static_cast<TfrmOrganizeFavorites&>(shown);
    organiser.Tree()->setCurrentItem(organiser.Tree()->topLevelItem(1));
    organiser.btnCreateFolderClick();
    return int(QDialog::Accepted);
  });
  Item(FDesktop.get(), "OrganizeFavorites1")->trigger();
  EXPECT_TRUE(FDesktop->FavoritesChanged());
  TDialogs::SetNextFileName(QString::fromStdString(File("Vexilon.vxc")));
  Item(FDesktop.get(), "Save1")->trigger();
  EXPECT_FALSE(FDesktop->FavoritesChanged());
  std::string saved;
  ReadWholeFile(File("Vexilon.vxf"), saved);
  EXPECT_EQ(
      saved,
      "Vexilon Favorites File\r\nGate=Gate\r\n[Town]\r\n[Night]\r\nHarbour=Outdoor:Harbour\r\n"
      "[]\r\nLost=Outdoor:Nowhere\r\n[New Folder]\r\n[]\r\n[]\r\n");
}

}  // namespace
}  // namespace vexilon
