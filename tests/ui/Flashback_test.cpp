#include <QLabel>

#include "CameraTestSupport.h"
#include "core/app/AtomicFile.h"
#include "core/imaging/Jpeg.h"
#include "support/GreyJpeg.h"
#include "ui/camera/FlashbackWindow.h"

namespace vexilon {
namespace {

// Frame n is a JPEG n + 16 pixels wide, so that the viewer's picture tells which it shows.
std::string Frame(int n) {
  return GreyJpeg(n + 16, 16);
}

class TFlashbackTest : public TCameraTest {
 protected:
  // A camera that never answers, fed frames 1 to count by hand.
  TfrmCamera* Fed(const char* caption, int count) {
    TfrmCamera* camera = Open("/push?status=404", caption);
    for (int n = 1; n <= count; ++n) camera->HandleFrame(Frame(n));
    return camera;
  }
  TfrmFlashback* View(TfrmCamera* camera) {
    Item(camera, "ViewFlashback1")->trigger();
    return FDesktop->findChildren<TfrmFlashback*>().value(0);
  }
  static bool Enabled(TfrmFlashback* viewer, const char* action) {
    return Child<QAction>(*viewer, action)->isEnabled();
  }
};

TEST_F(TFlashbackTest, StepsThroughTheKeptFramesNewestFirst) {
  Settings().Flashback = 5;
  TfrmCamera* camera = Fed("Gate", 7);
  TfrmFlashback* viewer = View(camera);
  ASSERT_NE(viewer, nullptr);
  EXPECT_EQ(viewer->windowTitle(), "Gate - Flashback");
  EXPECT_TRUE(viewer->StatusLine().startsWith("Image 1 of 5, "));
  EXPECT_EQ(viewer->Shown().width(), 7 + 16);
  EXPECT_FALSE(Enabled(viewer, "actPrevious"));
  for (int i = 0; i < 4; ++i) Child<QAction>(*viewer, "actNext")->trigger();
  EXPECT_TRUE(viewer->StatusLine().startsWith("Image 5 of 5, "));
  EXPECT_EQ(viewer->Shown().width(), 3 + 16);
  EXPECT_FALSE(Enabled(viewer, "actNext"));
  EXPECT_TRUE(Enabled(viewer, "actPrevious"));
  Child<QAction>(*viewer, "actFirst")->trigger();
  EXPECT_TRUE(viewer->StatusLine().startsWith("Image 1 of 5, "));
  Child<QAction>(*viewer, "actLast")->trigger();
  EXPECT_TRUE(viewer->StatusLine().startsWith("Image 5 of 5, "));

  // A snapshot: later frames and the camera's closing leave it as it was.
  camera->HandleFrame(Frame(8));
  camera->CloseWindow();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(viewer->Count(), 5);
}

TEST_F(TFlashbackTest, QuickSaveGoesOnAfterTheHighestNumberOnDisk) {
  Settings().Flashback = 3;
  QDir(FFolder.path()).mkdir("CAPTURE");
  WriteFileAtomically(File("CAPTURE/Gate00004.jpg"), "older");
  TfrmFlashback* viewer = View(Fed("Gate", 2));
  Child<QAction>(*viewer, "actQuickSave")->trigger();
  EXPECT_EQ(FDesktop->StatusText(), "Captured to file: Gate00005.jpg");
  Child<QAction>(*viewer, "actNext")->trigger();
  QTest::mouseDClick(Child<QWidget>(*viewer, "Image1"), Qt::LeftButton);
  EXPECT_EQ(FDesktop->StatusText(), "Captured to file: Gate00006.jpg");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(File("CAPTURE/Gate00006.jpg"), bytes));
  EXPECT_EQ(bytes, Frame(1));  // the older frame, as received

  TDialogs::SetNextFileName(QString::fromStdString(File("chosen.jpg")));
  Child<QAction>(*viewer, "actSaveAs")->trigger();
  ASSERT_TRUE(ReadWholeFile(File("chosen.jpg"), bytes));
  EXPECT_EQ(bytes, Frame(1));
}

TEST_F(TFlashbackTest, WithoutKeptFramesNothingCanBeChosen) {
  // Off by default; a frame that is no JPEG is never kept either.
  TfrmCamera* camera = Fed("Gate", 3);
  Settings().Flashback = 10;
  camera->HandleFrame(std::string(300, 'x'));
  TfrmFlashback* viewer = View(camera);
  EXPECT_EQ(viewer->StatusLine(), "No Flashback Data is Available");
  for (const char* action : {"actPrevious", "actNext", "actQuickSave", "actSaveAs"})
    EXPECT_FALSE(Enabled(viewer, action)) << action;
  EXPECT_TRUE(Enabled(viewer, "actClose"));
}

}  // namespace
}  // namespace vexilon
