#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <QTreeWidget>

#include "CameraTestSupport.h"
#include "core/desktop/DesktopFile.h"
#include "ui/app/DesktopList.h"
#include "ui/app/WindowPlaces.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/TreeCommands.h"

namespace vexilon {
namespace {

// A primary desktop window whose catalogue's cameras are served by camsim:
//   Cameras(Outdoor(Harbour "Pier 2") Gate)
class TDesktopTest : public TCameraTest {
 protected:
  void SetUp() override {
    TCameraTest::SetUp();
    const auto entry = [](const char* name, const char* size, int width, int height) {
      return std::string(":TYPE=ITEM NAME=") + name + " WEB=" + Address("/push?size=") + size +
             " AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 WIDTH=" +
             std::to_string(width) + " HEIGHT=" + std::to_string(height) + " INTERVAL=250\r\n";
    };
    WriteFileAtomically(File("Vexilon.vxc"),
                        "Vexilon Data File\r\nTYPE=ROOT NAME=Cameras\r\n"
                        ":TYPE=GROUP NAME=Outdoor AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=0 "
                        "SUBGROUP=\"\" HEADERS=\"\"\r\n:" +
                            entry("Harbour", "160x120", 160, 120) + ":" +
                            entry("\"Pier 2\"", "200x100", 200, 100) +
                            entry("Gate", "160x120", 160, 120));
    SetCommandLine({"/NOWEB"});
    FDesktop->StartPrimary(false);
    TDialogs::Reset();
  }
  void TearDown() override {
    const std::vector<TDesktopEntry> desktops = DesktopList();
    for (const TDesktopEntry& desktop : desktops) {
      if (desktop.Window != FDesktop.get()) delete desktop.Window.data();
    }
    TCameraTest::TearDown();
  }

  static QStringList Names() {
    QStringList names;
    for (const TDesktopEntry& desktop : DesktopList()) names << desktop.Name;
    return names;
  }
  static void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(50);
  }
  // What a desktop file would say of each camera window of desktop.
  static std::vector<TDesktopLine> Layout(TfrmVexilon& desktop) {
    std::vector<TDesktopLine> lines;
    for (TfrmCamera* camera : desktop.CameraWindows()->Windows()) {
      const QSize client = camera->PictureBox()->size();
      lines.push_back({camera->Frame()->x(), camera->Frame()->y(), client.width(), client.height(),
                       camera->WindowStyle(), camera->CatalogPath()});
    }
    return lines;
  }
};

TEST_F(TDesktopTest, SavedDesktopReopensItsWindowsWhereTheyWere) {
  struct TRow {
    const char* Path;
    int Left, Top, Width, Height, Style;
  } rows[] = {{"Outdoor:Harbour", 0, 0, 160, 120, csMdiChild},
              {"Outdoor:Pier 2", 170, 10, 200, 100, csMdiChild},
              {"Gate", 20, 150, 120, 90, csMdiChild},
              {"Gate", 300, 320, 150, 80, csPopup},
              {"Outdoor:Harbour", 420, 40, 100, 75, csStayOnTop}};
  for (const TRow& row : rows) {
    ASSERT_NE(
        FDesktop->OpenCameraByPath(row.Path, row.Left, row.Top, row.Width, row.Height, row.Style),
        nullptr)
        << row.Path;
  }
  Settle();
  const std::vector<TDesktopLine> before = Layout(*FDesktop);
  ASSERT_EQ(before.size(), 5u);
  EXPECT_EQ(before[1], (TDesktopLine{170, 10, 200, 100, csMdiChild, "Outdoor:Pier 2"}));
  EXPECT_EQ(FDesktop->MdiArea()->subWindowList().size(), 3);

  const QString saved = QString::fromStdString(File("saved.vxd"));
  TDialogs::SetNextFileName(saved);
  Item(FDesktop.get(), "SaveDesktop1")->trigger();
  std::string text;
  ASSERT_TRUE(ReadWholeFile(saved.toStdString(), text));
  EXPECT_EQ(text.rfind("Vexilon Desktop File\r\nLEFT=", 0), 0u) << text;
  EXPECT_NE(text.find(" STYLE=1 PATH=\"Outdoor:Pier 2\"\r\n"), std::string::npos) << text;

  // Loading closes what is open and brings the saved windows back as they were.
  FDesktop->OpenCameraByPath("Gate", -1, -1, -1, -1, csMdiChild);
  TDialogs::SetNextFileName(saved);
  Item(FDesktop.get(), "OpenDesktop1")->trigger();
  Settle();
  EXPECT_EQ(Layout(*FDesktop), before);
  EXPECT_EQ(TDialogs::MessageCount(), 0);

  // A file of another kind is refused and changes nothing.
  WriteFileAtomically(File("other.vxd"), "Vexilon Data File\r\nPATH=Gate\r\n");
  FDesktop->OpenDesktop(QString::fromStdString(File("other.vxd")), true);
  EXPECT_EQ(TDialogs::LastMessageText(), kNotADesktopFile);
  Settle();
  EXPECT_EQ(Layout(*FDesktop), before);
}

TEST_F(TDesktopTest, PathsMatchExactlyAndKeepTheWindowsOwnValuesForMinusOne) {
  WriteFileAtomically(File("paths.vxd"),
                      "Vexilon Desktop File\nPATH=outdoor:Harbour\nPATH=Outdoor:harbour\n"
                      "PATH=Outdoor\nPATH=Outdoor:Harbour:x\nLEFT=5 TOP=6 WIDTH=-1 HEIGHT=-1 "
                      "STYLE=1 PATH=Outdoor:Harbour\nLEFT=50 TOP=60 PATH=Gate\n");
  FDesktop->LoadDesktop(File("paths.vxd"));
  Settle();
  const std::vector<TDesktopLine> layout = Layout(*FDesktop);
  // The entry's own size, since the file gave none (or none of use).
  EXPECT_EQ(layout, (std::vector<TDesktopLine>{{5, 6, 160, 120, csMdiChild, "Outdoor:Harbour"},
                                               {50, 60, 160, 120, csMdiChild, "Gate"}}));
}

TEST_F(TDesktopTest, WindowsComeBackWhereTheyWereAndOnTheScreen) {
  // The place a window had is fitted to the screen there is now.
  const QRect screen(0, 0, 800, 600);
  const struct {
    QRect Wanted, Fitted;
  } rows[] = {{{10, 20, 300, 200}, {10, 20, 300, 200}},
              {{1900, 1000, 300, 200}, {500, 400, 300, 200}},
              {{-50, -50, 2000, 1500}, {0, 0, 800, 600}}};
  for (const auto& row : rows) EXPECT_EQ(FitToScreen(row.Wanted, screen), row.Fitted);

  // Size, panel width and open folders go with the first window and come back with it.
  FDesktop->Tree()->topLevelItem(0)->child(0)->setExpanded(true);  // Outdoor
  FDesktop->setGeometry(30, 40, 640, 420);
  Child<QSplitter>(*FDesktop, "Splitter1")->setSizes({180, 460});
  FDesktop->close();
  std::string ini;
  ASSERT_TRUE(ReadWholeFile(File("Vexilon.ini"), ini));
  EXPECT_NE(ini.find("EXPANDED=Outdoor\r\n"), std::string::npos) << ini;
  FDesktop = std::make_unique<TfrmVexilon>();
  FDesktop->show();
  FDesktop->StartPrimary(false);
  EXPECT_EQ(FDesktop->size(), QSize(640, 420));
  EXPECT_EQ(Child<QWidget>(*FDesktop, "pnlLeft")->width(), 180);
  EXPECT_TRUE(FDesktop->Tree()->topLevelItem(0)->child(0)->isExpanded());
}

TEST_F(TDesktopTest, CreateNewNamesDesktopsWithTheFirstFreeNumber) {
  Item(FDesktop.get(), "CreateNew1")->trigger();
  Item(FDesktop.get(), "CreateNew1")->trigger();
  EXPECT_EQ(Names(), QStringList({"Primary", "Desktop 2", "Desktop 3"}));
  QPointer<TfrmVexilon> second = DesktopList()[1].Window;
  EXPECT_EQ(second->windowTitle(), "Desktop 2");
  EXPECT_FALSE(second->Primary());
  EXPECT_TRUE(Child<QWidget>(*second, "pnlLeft")->isHidden());
  EXPECT_FALSE(Item(second, "File1Item")->isVisible());
  EXPECT_FALSE(Item(second, "Options1Item")->isVisible());
  EXPECT_TRUE(Item(second, "Desktop1Item")->isVisible());
  // The tree's Open submenu offers the same desktops.
  const std::vector<TDesktopChoice> choices =
      FDesktop->Catalogue()->TreeCommands()->DesktopWindows();
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[1].Name, "Desktop 2");
  EXPECT_EQ(choices[1].Window, second);

  // Closing a desktop closes its camera windows and frees its name.
  QPointer<TfrmCamera> camera = second->OpenCameraByPath("Gate", -1, -1, -1, -1, csPopup);
  ASSERT_NE(camera, nullptr);
  second->close();
  Settle();
  EXPECT_TRUE(second.isNull());
  EXPECT_TRUE(camera.isNull());
  EXPECT_EQ(Names(), QStringList({"Primary", "Desktop 3"}));

  // A desktop file handed over by a second start opens in a new desktop window.
  WriteFileAtomically(File("remote.vxd"),
                      "Vexilon Desktop File\r\nLEFT=30 TOP=40 WIDTH=500 HEIGHT=300\r\n"
                      "LEFT=0 TOP=0 WIDTH=80 HEIGHT=60 STYLE=1 PATH=Gate\r\n");
  FDesktop->RemoteRequest("D", QString::fromStdString(File("remote.vxd")));
  EXPECT_EQ(Names(), QStringList({"Primary", "Desktop 3", "Desktop 2"}));
  TfrmVexilon* remote = DesktopList()[2].Window;
  Settle();
  EXPECT_EQ(remote->pos(), QPoint(30, 40));
  EXPECT_EQ(remote->width(), 500);
  EXPECT_EQ(Layout(*remote), (std::vector<TDesktopLine>{{0, 0, 80, 60, csMdiChild, "Gate"}}));
  EXPECT_TRUE(FDesktop->CameraWindows()->Windows().isEmpty());
}

TEST_F(TDesktopTest, StyleMenuMovesACameraWindowIntoAnotherDesktop) {
  TfrmCamera* camera = FDesktop->OpenCameraByPath("Gate", -1, -1, -1, -1, csMdiChild);
  QMenu* style = Child<QMenu>(*camera, "Style1");
  QAction* mdi = Item(camera, "MDIChild1");
  // With one desktop the item itself makes the window an MDI child of it.
  Item(camera, "Popup1")->trigger();
  EXPECT_TRUE(FDesktop->MdiArea()->subWindowList().isEmpty());
  emit style->aboutToShow();
  EXPECT_EQ(mdi->menu(), nullptr);
  mdi->trigger();
  EXPECT_EQ(camera->WindowStyle(), csMdiChild);
  EXPECT_EQ(FDesktop->MdiArea()->subWindowList().size(), 1);

  // The desktops offered when the menu opens, the window's own marked.
  auto offered = [&] {
    emit style->aboutToShow();
    QStringList names;
    if (mdi->menu() == nullptr) return names;
    for (QAction* item : mdi->menu()->actions())
      names << item->text() + (item->isChecked() ? "*" : "");
    return names;
  };
  TfrmVexilon* second = TfrmVexilon::CreateDesktopWindow();
  EXPECT_EQ(offered(), QStringList({"Primary*", "Desktop 2"}));
  mdi->trigger();  // only opens the list
  EXPECT_EQ(camera->Desktop(), FDesktop.get());
  mdi->menu()->actions().at(1)->trigger();
  Settle();
  EXPECT_EQ(camera->Desktop(), second);
  EXPECT_EQ(camera->WindowStyle(), csMdiChild);
  EXPECT_EQ(camera->SubWindow()->mdiArea(), second->MdiArea());
  EXPECT_TRUE(FDesktop->MdiArea()->subWindowList().isEmpty());
  EXPECT_TRUE(FDesktop->CameraWindows()->Windows().isEmpty());
  EXPECT_EQ(second->CameraWindows()->Windows(), QList<TfrmCamera*>({camera}));
  EXPECT_EQ(offered(), QStringList({"Primary", "Desktop 2*"}));
}

TEST_F(TDesktopTest, AutoFitShrinksTheWindowsIntoTheAreaAndAutoArrangeDoesNot) {
  std::vector<TfrmCamera*> cameras;
  for (int i = 0; i < 6; ++i) cameras.push_back(Open("/push", "C" + std::to_string(i)));
  Settle();
  // An area as wide as three windows and one and a half high: six need twice the width.
  const QSize frame = cameras[0]->Frame()->size() - cameras[0]->PictureBox()->size();
  const QSize outer(frame.width() + 160, frame.height() + 120);
  QMdiArea* area = FDesktop->MdiArea();
  FDesktop->resize(FDesktop->size() + QSize(3 * outer.width(), outer.height() * 3 / 2) -
                   area->contentsRect().size());
  Settle();
  const QRect bounds(QPoint(0, 0), area->contentsRect().size());

  Item(FDesktop.get(), "AutoFitWindows1")->trigger();
  Settle();
  for (TfrmCamera* camera : cameras) {
    EXPECT_LE(camera->PictureBox()->width(), 120);
    EXPECT_TRUE(bounds.contains(camera->Frame()->geometry()));
  }
  // Nothing moves while the current window is maximised.
  const QRect first = cameras[0]->Frame()->geometry();
  area->setActiveSubWindow(cameras[5]->SubWindow());
  cameras[5]->SubWindow()->showMaximized();
  cameras[0]->Frame()->move(first.topLeft() + QPoint(7, 7));
  FDesktop->Fit();
  EXPECT_EQ(cameras[0]->Frame()->pos(), first.topLeft() + QPoint(7, 7));
  cameras[5]->SubWindow()->showNormal();

  Item(FDesktop.get(), "AutoArrange1")->trigger();
  Settle();
  int bottom = 0;
  for (TfrmCamera* camera : cameras) {
    EXPECT_EQ(camera->PictureBox()->size(), QSize(160, 120));
    bottom = std::max(bottom, camera->Frame()->geometry().bottom());
  }
  EXPECT_GT(bottom, bounds.bottom());  // two rows at full size run past the bottom
}

}  // namespace
}  // namespace vexilon
