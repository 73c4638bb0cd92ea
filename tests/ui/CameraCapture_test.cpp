#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>

#include "CameraTestSupport.h"
#include "core/app/AtomicFile.h"
#include "support/GreyJpeg.h"

namespace vexilon {
namespace {

using TCameraCaptureTest = TCameraTest;

QStringList Captures(const QString& folder) {
  return QDir(folder + "/CAPTURE").entryList(QDir::Files, QDir::Name);
}

TEST_F(TCameraCaptureTest, QuickCaptureNumbersFilesAndKeepsTheReceivedBytes) {
  // An older file on disk: numbering goes on after it.
  QDir(FFolder.path()).mkdir("CAPTURE");
  WriteFileAtomically(File("CAPTURE/Lobby 2-00007.jpg"), "old");
  TfrmCamera* camera = Open("/push?size=320x240", "Lobby 2");
  ASSERT_TRUE(WaitFor([&] { return camera->Picture().Real(); }));

  Item(camera, "QuickCapture1")->trigger();
  EXPECT_EQ(FDesktop->StatusText(), "Captured to file: Lobby 2-00008.jpg");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(File("CAPTURE/Lobby 2-00008.jpg"), bytes));
  EXPECT_EQ(bytes, camera->Picture().Jpeg);  // full size, as received, not the small decode

  QTest::mouseDClick(camera->PictureBox(), Qt::LeftButton);
  EXPECT_EQ(FDesktop->StatusText(), "Captured to file: Lobby 2-00009.jpg");
  EXPECT_EQ(Captures(FFolder.path()).size(), 3);
  // Clip Frame copies the picture at the camera's size too.
  Item(camera, "ClipFrame1")->trigger();
  EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(320, 240));
}

TEST_F(TCameraCaptureTest, AFrameThatDidNotDecodeOrASaveThatFailsShowsAnErrorAndNoFile) {
  TfrmCamera* camera = Open("/push?status=404", "a/b:c");
  camera->HandleFrame(std::string(200, 'x'));
  camera->QuickCapture1Click();
  EXPECT_TRUE(Captures(FFolder.path()).isEmpty());
  // A file where the folder should be: nothing can be written into it.
  camera->HandleFrame(GreyJpeg(16, 16));
  QDir(FFolder.path() + "/CAPTURE").removeRecursively();
  WriteFileAtomically(File("CAPTURE"), "in the way");
  camera->QuickCapture1Click();
  EXPECT_EQ(TDialogs::MessageCount(), 2);
  EXPECT_TRUE(FDesktop->StatusText().isEmpty());
}

TEST_F(TCameraCaptureTest, CaptureOutputRecordsTheRawStream) {
  TCameraOptions options = Options("/push?size=160x120", "Raw");
  options.CaptureFile = File("raw.bin");
  TfrmCamera* camera = FDesktop->CameraWindows()->OpenCamera(options);
  ASSERT_TRUE(WaitFor([&] { return camera->FrameCount() >= 3; }));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(File("raw.bin"), bytes));
  EXPECT_NE(bytes.find("--camsimframe"), std::string::npos);
  EXPECT_NE(bytes.find(camera->Picture().Jpeg), std::string::npos);
}

}  // namespace
}  // namespace vexilon
