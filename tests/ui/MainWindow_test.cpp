#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <stdexcept>

#include "UiTestSupport.h"
#include "ui/app/AudioLevelPanel.h"
#include "ui/app/MainWindow.h"

namespace vexilon {
namespace {

using TMainWindowTest = TUiTest;

QStringList MenuBarCaptions(TfrmVexilon& window) {
  QStringList captions;
  for (QAction* item : window.menuBar()->actions()) captions << item->text();
  return captions;
}

TEST_F(TMainWindowTest, LayoutHasTheTreePanelSplitterAndMdiArea) {
  TfrmVexilon window;
  window.show();
  EXPECT_EQ(window.windowTitle(), "Vexilon");
  EXPECT_EQ(window.size(), QSize(696, 480));
  auto* splitter = window.findChild<QSplitter*>("Splitter1");
  ASSERT_NE(splitter, nullptr);
  EXPECT_EQ(splitter->handleWidth(), 3);
  EXPECT_EQ(splitter->widget(0)->objectName(), "pnlLeft");
  EXPECT_EQ(splitter->widget(1), window.MdiArea());
  EXPECT_EQ(splitter->sizes().value(0), 129);
  QTreeWidget* tree = window.Tree();
  EXPECT_EQ(tree->objectName(), "_tv");
  EXPECT_EQ(tree->columnCount(), 1);
  EXPECT_TRUE(tree->isHeaderHidden());
  EXPECT_EQ(window.findChild<QWidget*>("pnlButtons")->height(), 41);
  const char* const buttons[][2] = {{"btnNewGroup", "New Group"},
                                    {"btnNewEntry", "New Entry"},
                                    {"btnDelete", "Delete"},
                                    {"btnEdit", "Edit Item"}};
  for (const auto& b : buttons) {
    auto* button = window.findChild<QPushButton*>(b[0]);
    ASSERT_NE(button, nullptr) << b[0];
    EXPECT_EQ(button->text(), b[1]);
    EXPECT_FALSE(button->isEnabled()) << b[0];
  }
  EXPECT_EQ(window.statusBar()->objectName(), "StatusBar1");
  EXPECT_EQ(window.findChild<QLabel*>("pnlFrameStatus")->width(), 150);
  EXPECT_EQ(window.AudioLevelPanel()->width(), 100);
  EXPECT_EQ(MainWindowHandle(), &window);
}

TEST_F(TMainWindowTest, MainWindowHandleFollowsTheLastWindow) {
  {
    TfrmVexilon first;
    {
      TfrmVexilon second;
      EXPECT_EQ(MainWindowHandle(), &second);
    }
    // Whichever main window goes, the audio output stops reporting.
    EXPECT_EQ(MainWindowHandle(), nullptr);
  }
  EXPECT_EQ(MainWindowHandle(), nullptr);
}

TEST_F(TMainWindowTest, MenuBarOrderAndCaptions) {
  TfrmVexilon window;
  EXPECT_EQ(MenuBarCaptions(window),
            QStringList({"&File", "&Desktop", "&Options", "F&avorites", "&Window", "&Goto"}));
}

TEST_F(TMainWindowTest, MenuItemsCaptionsShortcutsAndState) {
  struct TRow {
    const char* Name;
    const char* Caption;
    const char* Shortcut;
    bool Enabled;
  };
  const TRow rows[] = {
      {"Open1", "&Open", "", false},
      {"Save1", "&Save", "", false},
      {"ViewImage1", "&View Image", "Alt+V", false},
      {"Exit1", "E&xit", "Alt+X", true},
      {"OpenDesktop1", "&Open", "", false},
      {"SaveDesktop1", "&Save", "", false},
      {"CreateNew1", "&Create New", "", false},
      {"DesktopMultiCapture1", "&Desktop Multi-Capture", "", false},
      {"PlayMultiCapture1", "&Play Multi-Capture", "", false},
      {"Timeout1", "&Timeout", "", true},
      {"ProxyServer1", "&Proxy Server", "", true},
      {"Flashback1", "&Flashback", "", true},
      {"AudioDevice1", "&Audio Output", "", true},
      {"AudioBufferSize1", "Audio &Buffer Size", "", true},
      {"CPUUtilization1", "&CPU Utilization", "", true},
      {"ResetImageSizes1", "&Reset Default Sizes", "", true},
      {"MaintainAspectRatio1", "&Maintain Aspect Ratio", "", true},
      {"None1", "&None", "", true},
      {"ResizeWindows1", "Resize &Windows", "", true},
      {"AutoArrange1", "&Auto-Arrange", "", true},
      {"AutoFitWindows1", "Auto-&Fit Windows", "", true},
      {"vxc1", "vx&c", "", false},
      {"vxd1", "vx&d", "", false},
      {"vxp1", "vx&p", "", false},
      {"vmc1", "v&mc", "", false},
      {"vxf1", "vx&f", "", false},
      {"AddtoFavorites1", "&Add to Favorites", "", false},
      {"OrganizeFavorites1", "&Organize Favorites", "", false},
      {"ArrangeWindows1", "Arrange &Windows", "", false},
      {"ArrangeIcons1", "Arrange &Icons", "", false},
      {"Cascade1", "&Cascade", "", true},
      {"TileHorizontally1", "Tile &Horizontally", "", false},
      {"TileVertically1", "&Tile Vertically", "", false},
      {"MinimizeAll1", "&Minimize All", "", true},
      {"Close1", "C&lose", "", true},
      {"CloseAll1", "Cl&ose All", "", true},
      {"Version1", "&Version", "", true},
  };
  TfrmVexilon window;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    auto* item = window.findChild<QAction*>(row.Name);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), row.Caption);
    EXPECT_EQ(item->shortcut().toString(), row.Shortcut);
    EXPECT_EQ(item->isEnabled(), row.Enabled);
  }
  EXPECT_EQ(window.findChild<QMenu*>("WindowReformatting1")->title(), "&Window Reformatting");
  EXPECT_EQ(window.findChild<QMenu*>("FileAssociations1")->title(), "File Associations");
  // Three web links, a separator and the version.
  QList<QAction*> gotoItems = window.findChild<QMenu*>("Goto1")->actions();
  ASSERT_EQ(gotoItems.size(), 5);
  EXPECT_TRUE(gotoItems[3]->isSeparator());
}

TEST_F(TMainWindowTest, HandlersEnableOpenAndSave) {
  TfrmVexilon window;
  int opened = 0;
  window.SetOpenHandler([&] { ++opened; });
  window.SetSaveHandler([] { return true; });
  EXPECT_TRUE(window.findChild<QAction*>("Open1")->isEnabled());
  EXPECT_TRUE(window.findChild<QAction*>("Save1")->isEnabled());
  window.findChild<QAction*>("Open1")->trigger();
  EXPECT_EQ(opened, 1);
}

TEST_F(TMainWindowTest, CameraMenusMergeBetweenOptionsAndFavorites) {
  TfrmVexilon window;
  QMenu camera("&Camera");
  QMenu style("&Style");
  window.MergeChildMenus({&camera, &style});
  EXPECT_EQ(MenuBarCaptions(window), QStringList({"&File", "&Desktop", "&Options", "&Camera",
                                                  "&Style", "F&avorites", "&Window", "&Goto"}));
  window.UnmergeChildMenus();
  EXPECT_EQ(MenuBarCaptions(window),
            QStringList({"&File", "&Desktop", "&Options", "F&avorites", "&Window", "&Goto"}));
}

TEST_F(TMainWindowTest, OpeningOptionsSetsTheCheckMarksFromTheSettings) {
  TfrmVexilon window;
  Settings().ResetClient = 2;
  Settings().ResetSize = true;
  Settings().AudioOutput = true;
  Settings().Aspect = false;
  window.Options1Click();
  EXPECT_TRUE(window.findChild<QAction*>("AutoArrange1")->isChecked());
  EXPECT_FALSE(window.findChild<QAction*>("None1")->isChecked());
  EXPECT_TRUE(window.findChild<QAction*>("ResetImageSizes1")->isChecked());
  EXPECT_TRUE(window.findChild<QAction*>("AudioDevice1")->isChecked());
  EXPECT_FALSE(window.findChild<QAction*>("MaintainAspectRatio1")->isChecked());
}

TEST_F(TMainWindowTest, FrameStatusText) {
  TfrmVexilon window;
  window.CamStatus(320, 240, 5);
  EXPECT_EQ(window.FrameStatusText(), "5 frames (320x240)");
  window.CamStatus(0, 0, 7);
  EXPECT_EQ(window.FrameStatusText(), "7 frames");
  window.CamStatus(320, 240, 0);
  EXPECT_EQ(window.FrameStatusText(), "");
}

TEST_F(TMainWindowTest, StatusTextRecordsItsTime) {
  TfrmVexilon window;
  const QDateTime before = QDateTime::currentDateTime();
  window.SetStatusText("Captured");
  EXPECT_EQ(window.StatusText(), "Captured");
  EXPECT_GE(window.StatusTime(), before);
}

TEST_F(TMainWindowTest, AudioLevelPanelPaintsTheFillLevel) {
  struct TRow {
    int Prebuffering;
    int Level;
    QColor Bar;
    int Split;  // first pixel in the status bar's colour
  };
  const TRow rows[] = {{1, 30, QColor(255, 0, 0), 30},
                       {0, 75, QColor(0, 128, 0), 75},
                       {0, 0, QColor(0, 128, 0), 0},
                       {1, 100, QColor(255, 0, 0), 100},
                       {0, 250, QColor(0, 128, 0), 100}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Level);
    TfrmVexilon window;
    window.show();
    window.AudioLevel(row.Prebuffering, row.Level);
    TAudioLevelPanel* panel = window.AudioLevelPanel();
    EXPECT_EQ(panel->Text(), QStringLiteral("%1,%2").arg(row.Prebuffering).arg(row.Level));
    const QImage image = panel->grab().toImage();
    ASSERT_EQ(image.width(), 100);
    const int y = image.height() / 2;
    const QColor background = window.statusBar()->palette().window().color();
    if (row.Split > 0) {
      EXPECT_EQ(image.pixelColor(row.Split - 1, y), row.Bar);
    }
    if (row.Split < 100) {
      EXPECT_EQ(image.pixelColor(row.Split, y), background);
    }
  }
}

TEST_F(TMainWindowTest, VersionShowsTheFourPartVersion) {
  TfrmVexilon window;
  window.findChild<QAction*>("Version1")->trigger();
  EXPECT_TRUE(QRegularExpression("^Vexilon v\\d+\\.\\d+\\.\\d+\\.\\d+$")
                  .match(TDialogs::LastMessageText())
                  .hasMatch())
      << TDialogs::LastMessageText().toStdString();
  EXPECT_EQ(TDialogs::LastMessageCaption(), "Vexilon");
}

TEST_F(TMainWindowTest, WebLinksOpenTheirPages) {
  TfrmVexilon window;
  QStringList urls;
  for (const char* name : {"HomePage1", "CameraSite1", "MessageBoard1"}) {
    window.findChild<QAction*>(name)->trigger();
    urls << TDialogs::LastUrl().toString();
  }
  EXPECT_EQ(urls.removeDuplicates(), 0);
  for (const QString& url : urls) EXPECT_TRUE(QUrl(url).isValid()) << url.toStdString();
}

TEST_F(TMainWindowTest, StartUpOpensTheCameraSiteUnlessToldOrAlreadyRunning) {
  struct TRow {
    std::vector<std::string> CommandLine;
    bool PreviousInstance;
    bool Opened;
  };
  const TRow rows[] = {{{}, false, true}, {{"/noweb"}, false, false}, {{}, true, false}};
  for (const TRow& row : rows) {
    TDialogs::Reset();
    SetCommandLine(row.CommandLine);
    TfrmVexilon window;
    window.StartPrimary(row.PreviousInstance);
    EXPECT_EQ(!TDialogs::LastUrl().isEmpty(), row.Opened);
    if (row.Opened) {
      EXPECT_EQ(TDialogs::LastUrl().path(), "/cameras/");
    }
  }
}

TEST_F(TMainWindowTest, StartUpQueuesTheCommandLineFilesOnceRunning) {
  SetCommandLine({"/NOWEB", "/D=/x/a.vxd", "/p:/x/b.vmc"});
  TfrmVexilon window;
  bool loaded = false;
  window.SetLoadHandler([&] { loaded = true; });
  window.StartPrimary(false);
  EXPECT_TRUE(loaded);
  EXPECT_TRUE(window.PendingRequests().empty());
  QTRY_COMPARE(window.PendingRequests().size(), std::size_t{2});
  const std::vector<TOpenRequest> requests = window.TakePendingRequests();
  EXPECT_EQ(requests[0].Kind, TOpenRequest::OpenDesktop);
  EXPECT_EQ(requests[0].File, "/x/a.vxd");
  EXPECT_TRUE(requests[0].InThisWindow);
  EXPECT_EQ(requests[1].Kind, TOpenRequest::PlayFile);
  EXPECT_EQ(requests[1].File, "/x/b.vmc");
  EXPECT_TRUE(window.PendingRequests().empty());
}

TEST_F(TMainWindowTest, RemoteRequestsAreQueuedWithANote) {
  TfrmVexilon window;
  window.RemoteRequest("D", "/x/a.vxd");
  EXPECT_EQ(window.StatusText(), "Queued: desktop file /x/a.vxd");
  window.RemoteRequest("P", "/x/b.vmc");
  EXPECT_EQ(window.StatusText(), "Queued: multi-capture file /x/b.vmc");
  ASSERT_EQ(window.PendingRequests().size(), 2u);
  // A desktop from a second start opens in a new desktop window.
  EXPECT_FALSE(window.PendingRequests()[0].InThisWindow);
}

class TThrowingObject : public QObject {
 protected:
  bool event(QEvent*) override { throw std::runtime_error("Socket Error # 10061"); }
};

TEST_F(TMainWindowTest, FailuresInEventHandlersReachTheErrorBox) {
  TThrowingObject target;
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&target, &event);
  EXPECT_EQ(TDialogs::LastMessageText(), "Socket Error # 10061");
  EXPECT_EQ(TDialogs::LastMessageCaption(), "Error");
}

}  // namespace
}  // namespace vexilon
