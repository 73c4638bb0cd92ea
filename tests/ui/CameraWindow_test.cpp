#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <chrono>

#include "CameraTestSupport.h"
#include "core/desktop/WindowLayout.h"
#include "support/GreyJpeg.h"
#include "support/LoopbackServer.h"
#include "ui/camera/CameraSink.h"
#include "ui/catalogue/EntryEditor.h"

namespace vexilon {
namespace {

using TCameraWindowTest = TCameraTest;
using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

TEST_F(TCameraWindowTest, FramesArriveAndTheCaptionAndStatusBarFollow) {
  TfrmCamera* camera = Open("/push?size=320x240&fps=25", "Lobby");
  EXPECT_EQ(camera->windowTitle(), "Lobby");
  ASSERT_TRUE(WaitFor([&] { return camera->FrameCount() >= 4; }));
  EXPECT_EQ(camera->windowTitle(), "Lobby (stream)");
  EXPECT_EQ(camera->SubWindow()->windowTitle(), "Lobby (stream)");
  // Decoded smaller for the 160×120 window, but reported at the camera's own size.
  EXPECT_EQ(camera->Picture().Width, 320);
  EXPECT_EQ(camera->Picture().Image.width(), 160);
  EXPECT_TRUE(FDesktop->FrameStatusText().endsWith(" frames (320x240)"))
      << FDesktop->FrameStatusText().toStdString();
  EXPECT_TRUE(camera->HeaderText().contains("multipart/x-mixed-replace"));
  camera->ViewHeaders1Click();
  EXPECT_EQ(TDialogs::LastMessageText(), camera->HeaderText());

  // A window wider than the picture's proportions: grey bars left and right.
  TCameraOptions wide = Options("/tagged?size=160x120", "Gate");
  wide.Video.Width = 240;
  TfrmCamera* second = FDesktop->CameraWindows()->OpenCamera(wide);
  ASSERT_TRUE(WaitFor([&] { return second->FrameCount() >= 3; }));
  const QImage shot = second->PictureBox()->grab().toImage();
  EXPECT_EQ(shot.size(), QSize(240, 120));
  EXPECT_EQ(QColor(shot.pixel(5, 60)), QColor(192, 192, 192));
  EXPECT_NE(QColor(shot.pixel(120, 60)), QColor(192, 192, 192));
}

TEST_F(TCameraWindowTest, AClosedStreamLosesItsMarkAtTheNextCaptionChange) {
  TCameraOptions options = Options("/push?close=5", "Gate");
  options.Video.Interval = 5000;  // the wait before asking again after an ordinary end
  TfrmCamera* camera = FDesktop->CameraWindows()->OpenCamera(options);
  ASSERT_TRUE(WaitFor([&] { return camera->FrameCount() >= 5; }));
  EXPECT_EQ(camera->windowTitle(), "Gate (stream)");
  QTest::qWait(500);  // the close reaches the window
  Item(camera, "Pause1")->trigger();
  EXPECT_EQ(camera->windowTitle(), "Gate (paused)");
}

TEST_F(TCameraWindowTest, PayloadsOfEveryKind) {
  TBlackholePort blackhole;
  TCameraOptions options = Options("/v", "Quiet");
  options.Video.Web = "http://127.0.0.1:" + std::to_string(blackhole.Port()) + "/v";
  TfrmCamera* camera = FDesktop->CameraWindows()->OpenCamera(options);
  camera->HandleFrame(std::string(127, 'x'));  // below a picture's size: ignored
  EXPECT_EQ(camera->FrameCount(), 0);
  EXPECT_EQ(camera->Picture().Width, 1);
  camera->HandleFrame(std::string(128, 'x'));  // counted, and shows the header text
  EXPECT_EQ(camera->FrameCount(), 1);
  EXPECT_TRUE(camera->Picture().Empty());
  EXPECT_FALSE(camera->Picture().Real());

  // GIF frames decode as the toolkit's own reader sees them, but are never kept for flashback.
  Settings().Flashback = 5;
  for (const char* name : {"testsrc.gif", "animated.gif"}) {
    SCOPED_TRACE(name);
    std::string gif;
    ASSERT_TRUE(ReadWholeFile(std::string(VEXILON_TEST_DATA) + "/" + name, gif));
    camera->HandleFrame(gif);
    const QImage expected(QString::fromLatin1(VEXILON_TEST_DATA) + "/" + name);
    ASSERT_TRUE(camera->Picture().Real());
    EXPECT_EQ(camera->Picture().Image.convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(camera->Flashback().Frames().empty());
  }
  // And a plain bitmap, last of all.
  QByteArray bmp;
  QBuffer buffer(&bmp);
  buffer.open(QIODevice::WriteOnly);
  QImage(40, 30, QImage::Format_RGB32).save(&buffer, "BMP");
  camera->HandleFrame(bmp.toStdString());
  EXPECT_EQ(camera->Picture().Width, 40);

  // A window that cannot keep up loses the oldest frames, not the newest, and says how many.
  TCameraSink sink(camera->SharedState(), false);
  for (int n = 1; n <= 60; ++n) sink.Frame(GreyJpeg(16 + n, 16));
  const int before = camera->FrameCount();
  ASSERT_TRUE(WaitFor([&] { return camera->FrameCount() == before + 50; }));
  EXPECT_EQ(camera->Picture().Width, 16 + 60);
  EXPECT_EQ(camera->Picture().Image.width(), 16 + 60);  // the newest kept its image
  camera->ViewHeaders1Click();
  EXPECT_TRUE(
      TDialogs::LastMessageText().endsWith("10 frames dropped: the window could not keep up"));
  // Lines added try after try keep the newest, within bounds.
  for (int n = 0; n < 5000; ++n) sink.AddPageLine("ERROR CODE: 111 try " + std::to_string(n));
  EXPECT_LT(camera->HeaderText().size(), 70000);
  EXPECT_TRUE(camera->HeaderText().endsWith("try 4999"));
}

// A window nobody can see (covered by another, minimised, scrolled away) keeps each frame's
// bytes and size for captures and recordings, and decodes the picture once it shows again.
TEST_F(TCameraWindowTest, UnseenWindowsDecodeOnlyWhenTheyShowAgain) {
  TfrmCamera* below = Open("/push?size=320x240&fps=25", "Below");
  TfrmCamera* above = Open("/push?size=320x240&fps=25", "Above");
  for (TfrmCamera* camera : {below, above}) camera->SubWindow()->setGeometry(0, 0, 360, 300);
  FDesktop->MdiArea()->setActiveSubWindow(above->SubWindow());
  const auto unseen = [](TfrmCamera* camera) {
    const int start = camera->FrameCount();
    return WaitFor([&] {
      const TPicture& picture = camera->Picture();
      return camera->FrameCount() > start + 8 && picture.ImageBehind && picture.Image.isNull();
    });
  };
  ASSERT_TRUE(unseen(below));
  EXPECT_EQ(below->Picture().Width, 320);
  EXPECT_FALSE(below->Picture().Jpeg.empty());
  EXPECT_FALSE(above->Picture().ImageBehind);

  // Moved a little aside, a strip of it shows: it is painted, and decodes again.
  above->SubWindow()->move(40, 0);
  ASSERT_TRUE(WaitFor([&] { return !below->Picture().Image.isNull(); }));
  const int seen = below->FrameCount();
  ASSERT_TRUE(WaitFor([&] { return below->FrameCount() > seen + 8; }));
  EXPECT_FALSE(below->Picture().ImageBehind);

  above->SubWindow()->showMinimized();
  ASSERT_TRUE(unseen(above));
  above->SubWindow()->showNormal();
  const QImage shot = above->PictureBox()->grab().toImage();
  EXPECT_NE(QColor(shot.pixel(shot.width() / 2, shot.height() / 2)), QColor(192, 192, 192));
}

TEST_F(TCameraWindowTest, PauseResumePauseOthersAndResumeAll) {
  TfrmCamera* a = Open("/push?size=160x120&fps=25", "A");
  TfrmCamera* b = Open("/push?size=160x120&fps=25", "B");
  ASSERT_TRUE(WaitFor([&] { return a->FrameCount() >= 3 && b->FrameCount() >= 3; }));

  Item(a, "Pause1")->trigger();
  EXPECT_TRUE(a->IsPaused());
  EXPECT_TRUE(a->windowTitle().endsWith(" (paused)"));
  QTest::qWait(200);  // frames already on their way
  const int frozen = a->FrameCount();
  QTest::qWait(300);
  EXPECT_EQ(a->FrameCount(), frozen);

  Item(a, "Resume1")->trigger();
  EXPECT_FALSE(a->windowTitle().endsWith(" (paused)"));
  ASSERT_TRUE(WaitFor([&] { return a->FrameCount() > frozen; }));

  Item(b, "PauseOthers1")->trigger();
  EXPECT_TRUE(a->IsPaused());
  EXPECT_FALSE(b->IsPaused());
  Item(b, "ResumeAll1")->trigger();
  EXPECT_FALSE(a->IsPaused());
}

TEST_F(TCameraWindowTest, StyleCommandsTakeTheWindowOutOfTheDesktopAndItsMenusWithIt) {
  TfrmCamera* camera = Open("/push", "Lobby");
  // An active MDI child's Commands and Style menus join the desktop's bar.
  const auto barItems = [&] { return FDesktop->menuBar()->actions().size(); };
  EXPECT_EQ(barItems(), 9);
  // The context menu's copies have no keys, which would clash with the originals.
  EXPECT_TRUE(Item(camera, "Pause1Copy")->shortcut().isEmpty());

  Item(camera, "Popup1")->trigger();
  EXPECT_EQ(camera->SubWindow(), nullptr);
  EXPECT_TRUE(camera->isWindow());
  EXPECT_EQ(barItems(), 7);
  EXPECT_EQ(camera->PictureBox()->size(), QSize(160, 120));  // the client size survives
  Item(camera, "StayonTop1")->trigger();
  EXPECT_TRUE(camera->windowFlags() & Qt::WindowStaysOnTopHint);

  Item(camera, "MDIChild1")->trigger();
  ASSERT_NE(camera->SubWindow(), nullptr);
  FDesktop->MdiArea()->setActiveSubWindow(camera->SubWindow());
  EXPECT_EQ(barItems(), 9);
}

TEST_F(TCameraWindowTest, ShortcutsReachOnlyTheActiveCameraWindow) {
  TfrmCamera* a = Open("/push", "A");
  TfrmCamera* b = Open("/push", "B");
  QApplication::setActiveWindow(FDesktop.get());
  FDesktop->MdiArea()->setActiveSubWindow(b->SubWindow());
  QTest::keyClick(FDesktop.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(b->IsPaused());
  EXPECT_FALSE(a->IsPaused());

  TfrmCamera* popup = Open("/push", "C", csPopup);
  QApplication::setActiveWindow(popup);
  QTest::keyClick(popup, Qt::Key_P, Qt::ControlModifier);
  EXPECT_TRUE(popup->IsPaused());
  EXPECT_FALSE(a->IsPaused());
}

TEST_F(TCameraWindowTest, PictureSizeGoesToTheWindowAndTheEntryWhenAsked) {
  Settings().ResetClient = 1;
  Settings().ResetSize = true;
  QList<int> reported;
  QObject::connect(FDesktop->CameraWindows(), &TCameraWindows::ImageSize,
                   [&](TfrmCamera*, int width, int height) {
                     reported = {width, height};
                   });
  int arranged = 0;
  FDesktop->SetArrangeHandler([&] { ++arranged; });
  TfrmCamera* camera = Open("/push?size=200x100", "Sized", csPopup);
  ASSERT_TRUE(WaitFor([&] { return camera->FrameCount() >= 1; }));
  EXPECT_EQ(camera->PictureBox()->size(), QSize(200, 100));
  EXPECT_EQ(reported, QList<int>({200, 100}));
  // Becoming an MDI child has the desktop arrange its windows.
  Item(camera, "MDIChild1")->trigger();
  ASSERT_TRUE(WaitFor([&] { return arranged == 1; }));
}

TEST_F(TCameraWindowTest, ClosingIsPromptWhileConnectingAndWhileStreaming) {
  TBlackholePort blackhole;
  TCameraOptions options = Options("/v", "Stuck");
  options.Video.Web = "http://127.0.0.1:" + std::to_string(blackhole.Port()) + "/v";
  TfrmCamera* stuck = FDesktop->CameraWindows()->OpenCamera(options);
  Open("/push?size=160x120&fps=25", "Live", csPopup);
  Open("/push?size=160x120&fps=25", "Live 2");
  QTest::qWait(300);

  QPointer<TfrmCamera> watch = stuck;
  auto start = TClock::now();
  stuck->CloseWindow();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_LT(TClock::now() - start, 400ms);
  EXPECT_TRUE(watch.isNull());
  EXPECT_EQ(FDesktop->CameraWindows()->Windows().size(), 2);

  // Close All takes the popup as well as the MDI child.
  start = TClock::now();
  Item(FDesktop.get(), "CloseAll1")->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_LT(TClock::now() - start, 500ms);
  EXPECT_TRUE(FDesktop->CameraWindows()->Windows().isEmpty());
}

TEST_F(TCameraWindowTest, AStalledCameraIsRestartedByTheDesktopTimer) {
  CameraThreadConfig().Timeout = 300ms;
  CameraThreadConfig().Interval = 0ms;
  TfrmCamera* camera = Open("/push?size=160x120&fps=25&stall=5", "Flaky");
  ASSERT_TRUE(WaitFor([&] { return camera->FrameCount() >= 5; }));
  // The desktop timer polls every second; the test ticks it itself.
  ASSERT_TRUE(WaitFor([&] {
    FDesktop->CameraWindows()->Tick();
    return camera->FrameCount() >= 8;
  }));
}

TEST_F(TCameraWindowTest, TheWindowMenuTilesAndMinimizesCameraWindows) {
  TfrmCamera* a = Open("/push", "A");
  TfrmCamera* b = Open("/push", "B");
  // A new window does not cover the caption of the one before it.
  EXPECT_GT(b->SubWindow()->y(), a->SubWindow()->y());
  EXPECT_GT(b->SubWindow()->x(), a->SubWindow()->x());
  const QSize area = FDesktop->MdiArea()->viewport()->size();
  Item(FDesktop.get(), "TileHorizontally1")->trigger();
  EXPECT_EQ(a->SubWindow()->width(), area.width());
  EXPECT_EQ(a->SubWindow()->height() + b->SubWindow()->height(), area.height());
  Item(FDesktop.get(), "TileVertically1")->trigger();
  EXPECT_EQ(a->SubWindow()->height(), area.height());
  Item(FDesktop.get(), "MinimizeAll1")->trigger();
  EXPECT_TRUE(a->SubWindow()->isMinimized() && b->SubWindow()->isMinimized());
  Item(FDesktop.get(), "ArrangeIcons1")->trigger();  // side by side in a row
  EXPECT_EQ(a->SubWindow()->geometry().bottom(), b->SubWindow()->geometry().bottom());
  Item(FDesktop.get(), "Close1")->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(FDesktop->CameraWindows()->Windows().size(), 1);
}

TEST_F(TCameraWindowTest, AnHtmlCameraShowsItsPagesAsText) {
  TCameraOptions options = Options("/page.html", "Weather");
  options.Video.Flags = int(TStreamFormat::Html);
  TfrmCamera* camera = FDesktop->CameraWindows()->OpenCamera(options);
  ASSERT_TRUE(WaitFor([&] { return camera->Picture().Real(); }));
  EXPECT_EQ(camera->Picture().Width, camera->PictureBox()->PageWidth());
  // Short pages count; markup without text leaves the header text on show.
  const int frames = camera->FrameCount();
  camera->HandleFrame("<html><body bgcolor=red></body></html>");
  EXPECT_FALSE(camera->Picture().Real());
  camera->HandleFrame("<body bgcolor=red>hot");
  EXPECT_EQ(QColor(camera->Picture().Image.pixel(camera->Picture().Width - 1, 0)), QColor(Qt::red));
  EXPECT_EQ(camera->FrameCount(), frames + 2);
  EXPECT_EQ(camera->windowTitle(), "Weather");  // pages never make a stream

  // A long page is read at its own size with the scroll bar and the wheel, and wraps anew
  // when the window's width changes.
  std::string page = "<body>";
  for (int line = 0; line < 200; ++line) page += "line " + std::to_string(line) + "<br>";
  camera->HandleFrame(page);
  QScrollBar* scroll = camera->PictureBox()->PageScrollBar();
  ASSERT_TRUE(scroll->isVisible());
  EXPECT_EQ(scroll->maximum(), camera->Picture().Height - camera->PictureBox()->height());
  QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), {}, {0, -120}, Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(camera->PictureBox(), &wheel);
  EXPECT_GT(scroll->value(), 0);
  camera->SetClientSize(120, 100);
  EXPECT_EQ(camera->Picture().Width, camera->PictureBox()->PageWidth());
  // An entry or a picture may name any size; a window grows only so far.
  camera->SetClientSize(1 << 30, 50);
  EXPECT_LE(camera->PictureBox()->width(), kMaxClientSize);
  EXPECT_GT(camera->PictureBox()->width(), kMaxClientSize / 2);
}

TEST_F(TCameraWindowTest, AWindowSaysInWordsWhyItHasNoPictureAndDimsAStaleOne) {
  // A camera that stops sending keeps its last picture, dimmed, and says since when; the others
  // are asked while it waits out the three seconds.
  TfrmCamera* stops = Open("/push?size=160x120&fps=25&stall=5", "Stops");
  const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
  const struct {
    std::string Web;
    const char* Said;
  } rows[] = {{closed, "Connection refused"},
              {Address("/push?auth=u:p"),
               "This camera asks for a user name and password: Commands \u2192 Edit Item\u2026"},
              {Address("/push?status=404"), "Not found on the camera (404)"},
              {"htp//what", "Address not understood: htp//what"}};
  std::vector<TfrmCamera*> quiet;
  for (const auto& row : rows) {
    TCameraOptions options = Options("/", "Quiet");
    options.Video.Web = row.Web;
    quiet.push_back(FDesktop->CameraWindows()->OpenCamera(options));
  }
  for (std::size_t i = 0; i < quiet.size(); ++i) {
    SCOPED_TRACE(rows[i].Said);
    EXPECT_TRUE(WaitFor([&] {
      return quiet[i]->StateLine().Text.startsWith(QString::fromUtf8(rows[i].Said));
    })) << quiet[i]->StateLine().Text.toStdString();
  }
  ASSERT_TRUE(WaitFor([&] { return stops->FrameCount() >= 5; }));
  EXPECT_FALSE(stops->StateLine().Stale);
  EXPECT_TRUE(WaitFor([&] { return stops->StateLine().Stale; }, 6000));
  EXPECT_TRUE(stops->StateLine().Text.startsWith("No picture since "));
}

TEST_F(TCameraWindowTest, TheEntryEditorTellsAWorkingAddressFromABrokenOne) {
  TfrmEntry editor;
  auto* web = Child<QLineEdit>(editor, "edtWEB");
  auto* result = Child<QLabel>(editor, "lblTestResult");
  const struct {
    std::string Web;
    const char* Report;
  } rows[] = {{Address("/push?size=160x120"), "Pictures come by server push: 160x120 jpeg, "},
              {"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", "Connection refused"}};
  for (const auto& row : rows) {
    web->setText(QString::fromStdString(row.Web));
    Child<QPushButton>(editor, "btnTest")->click();
    EXPECT_TRUE(WaitFor([&] { return result->text().startsWith(row.Report); }))
        << result->text().toStdString();
  }
  // An address that names no host is said so on OK, and the dialog stays; Tab goes down.
  web->setText("http:///video");
  Child<QPushButton>(editor, "btnOk")->click();
  EXPECT_NE(editor.result(), QDialog::Accepted);
  EXPECT_TRUE(TDialogs::LastMessageText().startsWith("The web address needs a scheme and a host"));
  EXPECT_EQ(Child<QLineEdit>(editor, "edtName")->nextInFocusChain(), web);
}

}  // namespace
}  // namespace vexilon
