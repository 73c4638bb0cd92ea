#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <optional>

#include "TreeTestSupport.h"
#include "core/app/Settings.h"
#include "core/catalogue/CatalogueRules.h"
#include "ui/camera/CameraWindow.h"
#include "ui/camera/CameraWindows.h"
#include "ui/catalogue/QtTreeNodes.h"

namespace vexilon {
namespace {

class TTreeMenuTest : public TTreeTest {
 protected:
  QMenu* Menu() const { return Commands().PopupMenu(); }
  QAction* Item(const char* name) const { return Child<QAction>(*FWindow, name); }
  // A right button press on the row at path (on empty space for nullptr).
  void RightPress(const char* path) const {
    const QPoint at =
        path != nullptr ? Centre(Row(path)) : QPoint(10, Tree()->viewport()->height() - 3);
    QTest::mousePress(Tree()->viewport(), Qt::RightButton, Qt::NoModifier, at);
  }
  // Runs a menu item on the row at path, as chosen from the menu.
  void Choose(const char* path, const char* item) const {
    RightPress(path);
    EXPECT_TRUE(Menu()->isVisible());
    Item(item)->trigger();
    Menu()->hide();
  }
  // Opened entries are collected here.
  void CollectOpened() {
    Commands().OnOpenEntry = [this](const TCamOpenRequest& request) { FOpened.push_back(request); };
  }

  std::vector<TCamOpenRequest> FOpened;
};

// A connection's inherited parts as auth|prefix|suffix|headers.
template <class TConnect>
std::string Parts(const TConnect& connect) {
  return connect.Auth + "|" + connect.Prefix + "|" + connect.Suffix + "|" + connect.Headers;
}

TEST_F(TTreeMenuTest, RightPressSelectsTheRowAndOpensTheMenu) {
  const std::pair<const char*, bool> rows[] = {// path, whether Open is offered
                                               {"City/Shop/Lobby", true},
                                               {"Gate", true},
                                               {"City", false},
                                               {"", false}};
  for (const auto& [path, openShown] : rows) {
    SCOPED_TRACE(path);
    RightPress(path);
    EXPECT_EQ(Tree()->currentItem(), Row(path));
    EXPECT_TRUE(Menu()->isVisible());
    EXPECT_EQ(Item("popupOpen")->isVisible(), openShown);
    EXPECT_EQ(static_cast<QTreeWidgetItem*>(Commands().PopupNode()), Row(path));
    Menu()->hide();
  }

  Select("Gate");
  RightPress(nullptr);
  EXPECT_FALSE(Menu()->isVisible());
  EXPECT_EQ(Commands().PopupNode(), nullptr);
  EXPECT_EQ(Tree()->currentItem(), Row("Gate"));
}

TEST_F(TTreeMenuTest, OpeningHandsTheEntryWithWhatItInheritsToTheHook) {
  // Which group gives what is the core's business; here it must reach the window, sound too.
  CollectOpened();
  DoubleClick(Row("City/Shop/Lobby"));
  ASSERT_EQ(FOpened.size(), 1u);
  const TCamOpenRequest& request = FOpened[0];
  EXPECT_EQ(request.CatalogPath, "City:Shop:Lobby");
  EXPECT_EQ(request.Name, "Lobby");
  EXPECT_EQ(request.Style, kMdiStyle);
  EXPECT_TRUE(request.CaptureFile.isEmpty());
  EXPECT_EQ(request.Desktop, FWindow.get());
  EXPECT_EQ(Parts(*request.Video), "city:pw|P2|S1|X-City:1\r\nX-Shared:shop\r\nX-Entry:1\r\n");
  EXPECT_EQ(Parts(*request.Audio), "city:pw|P2|S1|X-City:1\r\nX-Shared:shop\r\nX-Audio:1\r\n");
  // The catalogue itself is untouched: the window works on copies.
  EXPECT_EQ(
      FindByPath(*Catalogue().FRoot, "City:Shop:Lobby")->GetDataText(),
      "TYPE=ITEM NAME=Lobby WEB=lobby.cgi AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=X-Entry:1 "
      "FLAGS=1 WIDTH=320 HEIGHT=240 INTERVAL=1000 AUDIO=(WEB=lobby.au AUTH=own PREFIX=\"\" "
      "SUFFIX=AS HEADERS=X-Audio:1 FLAGS=3)");
  EXPECT_FALSE(Catalogue().FCatalogChanged);
}

TEST_F(TTreeMenuTest, EachWayOfOpeningGivesItsStyleAndCaptureFile) {
  CollectOpened();
  const std::string capture = File("lobby.bin");
  const struct {
    const char* Item;
    const char* Answer;  // the file dialog's answer; nullptr when none is asked
    int Opened;
    int Style;
    const char* CaptureFile;
  } rows[] = {{"asMDIWindow1", nullptr, 1, kMdiStyle, ""},
              {"asPopupWindow1", nullptr, 1, kPopupStyle, ""},
              {"CaptureOutput1", capture.c_str(), 1, kMdiStyle, capture.c_str()},
              {"CaptureOutput1", "", 0, 0, ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Item);
    FOpened.clear();
    if (row.Answer != nullptr) TDialogs::SetNextFileName(QString::fromStdString(row.Answer));
    Choose("City/Shop/Lobby", row.Item);
    ASSERT_EQ(FOpened.size(), std::size_t(row.Opened));
    if (row.Opened == 0) continue;
    EXPECT_EQ(FOpened[0].Style, row.Style);
    EXPECT_EQ(FOpened[0].CaptureFile.toStdString(), row.CaptureFile);
    EXPECT_EQ(FOpened[0].CatalogPath, "City:Shop:Lobby");
  }
  // A folder is never opened, whichever way.
  FOpened.clear();
  Choose("City", "asMDIWindow1");
  DoubleClick(Row("Pub"));
  EXPECT_TRUE(FOpened.empty());
}

TEST_F(TTreeMenuTest, OpeningMakesACameraWindowInTheChosenStyle) {
  Choose("Gate", "asMDIWindow1");
  Choose("City/Shop/Lobby", "asPopupWindow1");
  const QList<TfrmCamera*>& windows = FWindow->CameraWindows()->Windows();
  ASSERT_EQ(windows.size(), 2);
  EXPECT_EQ(windows[0]->CaptionBase(), "Gate");
  EXPECT_EQ(windows[0]->CatalogPath(), "Gate");
  EXPECT_EQ(FWindow->MdiArea()->subWindowList().size(), 1);  // the popup stays outside
  EXPECT_EQ(windows[1]->CatalogPath(), "City:Shop:Lobby");

  // Return opens the selected entry too; a maximised MDI window hands its state on.
  FWindow->MdiArea()->setActiveSubWindow(windows[0]->SubWindow());
  windows[0]->SubWindow()->showMaximized();
  Tree()->setCurrentItem(Row("City/Shop/Till"));
  QTest::keyClick(Tree(), Qt::Key_Return);
  ASSERT_EQ(windows.size(), 3);
  EXPECT_EQ(windows[2]->CatalogPath(), "City:Shop:Till");
  EXPECT_TRUE(windows[2]->SubWindow()->isMaximized());
  EXPECT_FALSE(windows[0]->SubWindow()->isMaximized());
}

TEST_F(TTreeMenuTest, SeveralDesktopsGiveTheMdiItemASubmenuOfThem) {
  CollectOpened();
  TfrmVexilon second;
  Commands().DesktopWindows = [&] {
    return std::vector<TDesktopChoice>{{QStringLiteral("Primary"), FWindow.get()},
                                       {QStringLiteral("Desktop 2"), &second}};
  };
  RightPress("Gate");
  QMenu* open = Item("popupOpen")->menu();
  open->popup(Menu()->geometry().topRight());
  QMenu* desktops = Item("asMDIWindow1")->menu();
  ASSERT_NE(desktops, nullptr);
  QStringList names;  // with the desktop the window would go to marked
  for (QAction* item : desktops->actions()) names << item->text() + (item->isChecked() ? "*" : "");
  EXPECT_EQ(names, QStringList({"Primary*", "Desktop 2"}));
  desktops->actions().at(1)->trigger();
  Item("asMDIWindow1")->trigger();  // only opens the submenu
  open->hide();
  Menu()->hide();
  ASSERT_EQ(FOpened.size(), 1u);
  EXPECT_EQ(FOpened[0].Desktop, &second);
  EXPECT_EQ(FOpened[0].Style, kMdiStyle);

  // Back to one desktop: the item opens by itself again.
  Commands().DesktopWindows = nullptr;
  RightPress("Gate");
  open->popup(Menu()->geometry().topRight());
  EXPECT_EQ(Item("asMDIWindow1")->menu(), nullptr);
  Item("asMDIWindow1")->trigger();
  EXPECT_EQ(FOpened.size(), 2u);
  EXPECT_EQ(FOpened[1].Desktop, FWindow.get());
}

TEST_F(TTreeMenuTest, ImportMergesIntoTheFolderWithoutMarkingAChange) {
  WriteFileAtomically(File("more.vxc"),
                      "Vexilon Data File\r\n"
                      "TYPE=ROOT NAME=Cameras\r\n"
                      ":TYPE=ITEM NAME=Square WEB=new-square AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" "
                      "HEADERS=\"\" FLAGS=0 WIDTH=320 HEIGHT=240 INTERVAL=250\r\n"
                      ":TYPE=ITEM NAME=Kiosk WEB=k AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" "
                      "FLAGS=0 WIDTH=320 HEIGHT=240 INTERVAL=250\r\n");
  WriteFileAtomically(File("junk.vxc"), "Something else\r\n:TYPE=ITEM NAME=Junk\r\n");
  const struct {
    const char* Case;
    const char* Path;
    const char* Answer;
    const char* Shape;
  } rows[] = {
      {"into an entry's folder", "City/Shop/Lobby", "more.vxc",
       "Cameras(City(Shop(Lobby Till Square Kiosk) Square) Pub(Bar Cellar()) Gate)"},
      {"into the root", "", "more.vxc",
       "Cameras(City(Shop(Lobby Till) Square) Pub(Bar Cellar()) Gate Square Kiosk)"},
      {"cancelled", "City", "", kTreeShape},
      {"a file that is not one", "City", "junk.vxc", kTreeShape},
      {"into a group", "City", "more.vxc",
       "Cameras(City(Shop(Lobby Till) Square Kiosk) Pub(Bar Cellar()) Gate)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Case);
    Reopen();
    TDialogs::SetNextFileName(*row.Answer ? QString::fromStdString(File(row.Answer)) : QString());
    Choose(row.Path, "Import1");
    EXPECT_EQ(Shape(), row.Shape);
    EXPECT_FALSE(Catalogue().FCatalogChanged);
    EXPECT_EQ(TDialogs::MessageCount(), 0);
  }
}

TEST_F(TTreeMenuTest, ExportWritesTheNodeAndWarnsAboutPublishedOnes) {
  std::string everything = kTreeCatalogue;
  const std::size_t pub = everything.find(":TYPE=GROUP NAME=Pub");
  const std::size_t gate = everything.find(":TYPE=ITEM NAME=Gate");
  everything.erase(pub, gate - pub);
  const std::string head = "Vexilon Data File\r\nTYPE=ROOT NAME=Cameras\r\n";
  const struct {
    const char* Path;
    std::string Text;
    bool Warned;
  } rows[] = {
      {"", everything, true},
      {"Gate",
       head + ":TYPE=ITEM NAME=Gate WEB=g AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
              "WIDTH=320 HEIGHT=240 INTERVAL=250\r\n",
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Path);
    TDialogs::Reset();
    Catalogue().FCatalogChanged = true;
    TDialogs::SetNextFileName(QString::fromStdString(File("export.vxc")));
    Choose(row.Path, "Export1");
    std::string written;
    ReadWholeFile(File("export.vxc"), written);
    EXPECT_EQ(written, row.Text);
    EXPECT_EQ(TDialogs::MessageCount(), row.Warned ? 1 : 0);
    if (row.Warned) {
      EXPECT_EQ(TDialogs::LastMessageText(), "Warning: Published entries were not exported.");
      EXPECT_EQ(TDialogs::LastMessageCaption(), "Error");
    }
    EXPECT_TRUE(Catalogue().FCatalogChanged);  // neither cleared nor the file made current
    EXPECT_EQ(Catalogue().FCurrentFile, File("Vexilon.vxc"));
  }

  TDialogs::Reset();
  TDialogs::SetNextFileName(QString::fromStdString(File("no/such/folder/x.vxc")));
  Choose("Gate", "Export1");
  EXPECT_TRUE(TDialogs::LastMessageText().contains("no/such/folder/x.vxc"));
}

TEST_F(TTreeMenuTest, ImageSizeUpdatesAnEntryFoundAmongTheRows) {
  const struct {
    const char* Case;
    bool ResetSize;
    bool ShopOpen;
    const char* Path;
    int Width, Height;
    bool Changed;
  } rows[] = {
      {"new size stored", true, true, "City:Shop:Lobby", 640, 480, true},
      {"same size changes nothing", true, true, "City:Shop:Lobby", 320, 240, false},
      {"option off", false, true, "City:Shop:Lobby", 640, 480, false},
      {"folder closed", true, false, "City:Shop:Lobby", 640, 480, false},
      {"a group is no entry", true, true, "City:Shop", 640, 480, false},
      {"unknown path", true, true, "City:Mall:Lobby", 640, 480, false},
      {"entry at the top", true, true, "Gate", 800, 600, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Case);
    Reopen();
    Settings().ResetSize = row.ResetSize;
    Row("City/Shop")->setExpanded(row.ShopOpen);
    Commands().ImageSize(row.Width, row.Height, row.Path);
    TCamBase* node = FindByPath(*Catalogue().FRoot, row.Path);
    if (const TCamItem* entry = node != nullptr ? node->AsItem() : nullptr) {
      EXPECT_EQ(entry->Video().Width == row.Width && entry->Video().Height == row.Height,
                row.Changed || (row.Width == 320 && row.Height == 240));
    }
    EXPECT_EQ(Catalogue().FCatalogChanged, row.Changed);
  }
}

}  // namespace
}  // namespace vexilon
