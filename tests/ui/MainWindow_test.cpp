#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <stdexcept>

#include "UiTestSupport.h"
#include "Version.h"
#include "core/associations/FileAssociations.h"
#include "ui/app/AudioLevelPanel.h"
#include "ui/app/FileTypeRegistry.h"
#include "ui/app/MainWindow.h"
#include "ui/playback/PlaybackWindow.h"

namespace vexilon {
namespace {

using TMainWindowTest = TUiTest;

QAction* Item(TfrmVexilon& window, const char* name) {
  return Child<QAction>(window, name);
}

TEST_F(TMainWindowTest, OpenAndSaveComeAliveWithTheirHandlers) {
  TfrmVexilon window;
  EXPECT_FALSE(Item(window, "Save1")->isEnabled());
  int opened = 0;
  window.SetOpenHandler([&] { ++opened; });
  window.SetSaveHandler([] { return true; });
  EXPECT_TRUE(Item(window, "Save1")->isEnabled());
  Item(window, "Open1")->trigger();
  EXPECT_EQ(opened, 1);
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

TEST_F(TMainWindowTest, OpeningOptionsSetsTheCheckMarksFromTheSettings) {
  TfrmVexilon window;
  Settings().ResetClient = 2;
  Settings().ResetSize = true;
  Settings().Aspect = false;
  window.Options1Click();
  EXPECT_TRUE(Item(window, "AutoArrange1")->isChecked());
  EXPECT_FALSE(Item(window, "None1")->isChecked());
  EXPECT_TRUE(Item(window, "ResetImageSizes1")->isChecked());
  EXPECT_FALSE(Item(window, "AudioDevice1")->isChecked());
  EXPECT_FALSE(Item(window, "MaintainAspectRatio1")->isChecked());
}

TEST_F(TMainWindowTest, StatusBarShowsFramesAndTheAudioFillLevel) {
  TfrmVexilon window;
  window.show();
  window.CamStatus(320, 240, 5);
  EXPECT_EQ(window.FrameStatusText(), "5 frames (320x240)");
  window.CamStatus(0, 0, 7);
  EXPECT_EQ(window.FrameStatusText(), "7 frames");
  window.CamStatus(320, 240, 0);
  EXPECT_EQ(window.FrameStatusText(), "");

  struct TRow {
    int Prebuffering, Level;
    QColor Bar;
    int Split;  // first pixel in the status bar's colour
  } rows[] = {{1, 30, QColor(255, 0, 0), 30},
              {0, 0, QColor(0, 128, 0), 0},
              {0, 250, QColor(0, 128, 0), 100}};
  const QColor background = window.statusBar()->palette().window().color();
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Level);
    window.AudioLevel(row.Prebuffering, row.Level);
    TAudioLevelPanel* panel = window.AudioLevelPanel();
    EXPECT_EQ(panel->Text(), QStringLiteral("%1,%2").arg(row.Prebuffering).arg(row.Level));
    const QImage image = panel->grab().toImage();
    const int y = image.height() / 2;
    EXPECT_EQ(image.pixelColor(std::max(row.Split - 1, 0), y),
              row.Split > 0 ? row.Bar : background);
    EXPECT_EQ(image.pixelColor(std::min(row.Split, 99), y), row.Split < 100 ? background : row.Bar);
  }
}

TEST_F(TMainWindowTest, VersionShowsTheBuildsVersionAndAboutTheLibrariesToo) {
  TfrmVexilon window;
  Item(window, "Version1")->trigger();
  const QString version = QStringLiteral("Vexilon v") + QString::fromLatin1(kVersionText);
  EXPECT_EQ(TDialogs::LastMessageText(), version);
  Item(window, "About1")->trigger();
  EXPECT_TRUE(TDialogs::LastMessageText().startsWith(version));
  EXPECT_TRUE(TDialogs::LastMessageText().contains("libjpeg-turbo 2."));
}

TEST_F(TMainWindowTest, OnlyTheFirstStartOfAFolderOpensTheCameraPageUnlessToldOrRunning) {
  struct TRow {
    std::vector<std::string> CommandLine;
    bool PreviousInstance;
    bool Opened;
  } rows[] = {{{"/noweb"}, false, false}, {{}, true, false}, {{}, false, true}, {{}, false, false}};
  for (const TRow& row : rows) {
    TDialogs::Reset();
    SetCommandLine(row.CommandLine);
    TfrmVexilon window;
    window.StartPrimary(row.PreviousInstance);
    EXPECT_EQ(TDialogs::LastUrl().fileName(), row.Opened ? "connecting-cameras.html" : "");
  }
  // Every Goto link leads to a page of the manual.
  TfrmVexilon window;
  for (const char* link : {"HomePage1", "CameraSite1", "MessageBoard1"}) {
    Item(window, link)->trigger();
    EXPECT_TRUE(QFile::exists(TDialogs::LastUrl().toLocalFile())) << link;
  }
}

TEST_F(TMainWindowTest, FileAssociationsShowAndChangeWhatTheRegistrySays) {
  TMemoryRegistry registry;
  registry.WriteDefault("\\.vxp", "Vexilon.ConnectionFile");
  SetFileTypeRegistry(&registry);
  TfrmVexilon window;
  auto* menu = Child<QMenu>(window, "FileAssociations1");
  emit menu->aboutToShow();
  EXPECT_TRUE(Item(window, "vxp1")->isChecked());
  EXPECT_FALSE(Item(window, "vmc1")->isChecked());
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  Item(window, "vmc1")->trigger();
  EXPECT_TRUE(Item(window, "vmc1")->isChecked());
  EXPECT_EQ(registry.ReadDefault("\\Vexilon.MultiCaptureFile\\Shell\\Open\\command"),
            QuotedExecutable(QCoreApplication::applicationFilePath().toStdString()) + " /P=\"%1\"");
  TDialogs::SetNextAnswer(QMessageBox::No);
  Item(window, "vxc1")->trigger();  // refused: nothing changes, and the mark says so
  EXPECT_FALSE(Item(window, "vxc1")->isChecked());
  SetFileTypeRegistry(nullptr);

  // Every kind of window shows one of the program's icons.
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_FALSE(QApplication::windowIcon().pixmap(16).isNull());
}

TEST_F(TMainWindowTest, VolumeAndMuteAreSharedByTheDesktopsAndKept) {
  TfrmVexilon first, second;
  auto* slider = Child<QSlider>(first, "sldVolume");
  slider->setValue(40);
  Child<QToolButton>(second, "btnMute")->click();
  EXPECT_EQ(Child<QSlider>(second, "sldVolume")->value(), 40);
  EXPECT_TRUE(Child<QToolButton>(first, "btnMute")->isChecked());
  EXPECT_FALSE(slider->isEnabled());
  EXPECT_NE(IniText().find("VOLUME=40\r\nMUTE=1\r\n"), std::string::npos) << IniText();
}

TEST_F(TMainWindowTest, StartUpTakesTheCommandLineFilesOnceRunning) {
  SetCommandLine({"/NOWEB", "/D=/x/a.vxd", "/p:/x/b.vmc"});
  TfrmVexilon window;
  bool loaded = false;
  window.SetLoadHandler([&] { loaded = true; });
  window.StartPrimary(false);
  EXPECT_TRUE(loaded);
  // Neither is opened before start-up has finished.
  EXPECT_EQ(TDialogs::MessageCount(), 0);
  EXPECT_TRUE(window.findChildren<TfrmPlayback*>().isEmpty());
  // Then the multi-capture file goes to a playback window of its own, and the desktop file is
  // opened in this window; both are missing, and each says so.
  QTRY_COMPARE(window.findChildren<TfrmPlayback*>().size(), 1);
  EXPECT_EQ(window.findChild<TfrmPlayback*>()->FileName(), "/x/b.vmc");
  QTRY_COMPARE(TDialogs::MessageCount(), 2);
  EXPECT_EQ(window.findChildren<TfrmVexilon*>().size(), 0);  // no new desktop window
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
