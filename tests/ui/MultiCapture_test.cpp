#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "CameraTestSupport.h"
#include "core/app/AtomicFile.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/imaging/Jpeg.h"
#include "support/GreyJpeg.h"
#include "support/LoopbackServer.h"
#include "ui/camera/MultiCaptureDialog.h"

namespace vexilon {
namespace {

// Picture n: a JPEG whose bytes differ from every other n.
std::string Picture(int n) {
  return GreyJpeg(32, 24, std::uint8_t(n * 7));
}

class TMultiCaptureTest : public TCameraTest {
 protected:
  void SetUp() override {
    TCameraTest::SetUp();
    LastMultiCaptureSettings() = TMultiCaptureSettings();
  }
  // The dialog the next Multi-Capture opens gets these values and OK.
  static void Answer(const TMultiCaptureSettings& s) {
    TDialogs::SetNextDialogHandler([s](QDialog& dialog) {
      Child<QSpinBox>(dialog, "spnMilliseconds")->setValue(s.Delay);
      Child<QSpinBox>(dialog, "spnCount")->setValue(s.Count);
      Child<QSpinBox>(dialog, "spnCapturesLimit")->setValue(s.FileLimit);
      Child<QRadioButton>(dialog, QStringLiteral("rgSingleCaptureItem%1").arg(s.ClipMode))
          ->setChecked(true);
      Child<QRadioButton>(dialog, QStringLiteral("rgNumberofCapturesItem%1").arg(s.FileMode))
          ->setChecked(true);
      Child<QRadioButton>(dialog, s.Style == 0 ? "rdoJPG" : "rdoVMC")->setChecked(true);
      Child<QPushButton>(dialog, "btnOk")->click();
      return dialog.result();
    });
  }
  QStringList Captures() const {
    return QDir(FFolder.path() + "/CAPTURE").entryList(QDir::Files, QDir::Name);
  }
};

TEST_F(TMultiCaptureTest, TheDialogOffersLastSettingsQuickSettingsAndUserButtons) {
  TfrmMultiCapture dialog;
  EXPECT_EQ(dialog.Chosen(), TMultiCaptureSettings());  // 10000 ms, 100, one .vmc file
  Child<QPushButton>(dialog, "btnFastCapture2")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Chosen().Delay, 1000);
  EXPECT_EQ(dialog.Chosen().Count, 0);
  EXPECT_EQ(LastMultiCaptureSettings(), TMultiCaptureSettings());  // quick settings leave it

  // An unsaved user button records like quick setting A.
  TfrmMultiCapture second(nullptr, true);
  Child<QPushButton>(second, "btnUserSettings2")->click();
  EXPECT_EQ(second.Chosen(), (TMultiCaptureSettings{250, 0, 1, 0, 0, 0}));

  // The right button stores the controls under the button, once confirmed.
  TfrmMultiCapture third;
  Child<QSpinBox>(third, "spnMilliseconds")->setValue(1000);
  Child<QSpinBox>(third, "spnCount")->setValue(50);
  Child<QRadioButton>(third, "rgSingleCaptureItem1")->setChecked(true);
  Child<QSpinBox>(third, "spnCapturesLimit")->setValue(3);
  Child<QRadioButton>(third, "rdoJPG")->setChecked(true);
  SettingsChanged = false;
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  QTest::mousePress(Child<QPushButton>(third, "btnUserSettings2"), Qt::RightButton);
  EXPECT_EQ(Settings().User[1], "DELAY=1000 COUNT=50 STYLE=0 CLIPMODE=1 FILEMODE=1 FILELIMIT=3");
  EXPECT_EQ(Child<QPushButton>(third, "btnUserSettings2")->text(),
            "#&2: 1000ms, 50 frames, 3 times, .jpg");
  EXPECT_TRUE(SettingsChanged);
  Child<QPushButton>(third, "btnOk")->click();
  EXPECT_EQ(LastMultiCaptureSettings(), third.Chosen());
}

TEST_F(TMultiCaptureTest, ARecordingShowsInTheCaptionAndEndsAtItsLimit) {
  TfrmCamera* camera = Open("/push?status=404", "Gate");
  Answer({0, 3, 1, 1, 1, 1});  // every picture, clips of 3 frames, one file
  Item(camera, "MultiCapture1")->trigger();
  ASSERT_TRUE(camera->Capturing());
  EXPECT_EQ(camera->windowTitle(), "Gate (capture)");
  Item(camera, "SuspendMultiCapture1")->trigger();
  EXPECT_EQ(camera->windowTitle(), "Gate (paused capture)");
  camera->HandleFrame(Picture(1));  // not recorded while suspended
  Item(camera, "SuspendMultiCapture1")->trigger();
  camera->HandleFrame(Picture(2));
  EXPECT_EQ(FDesktop->StatusText(), "Captured frame 2 in file: Gate00001.vmc");
  camera->HandleFrame(Picture(2));  // the same picture again adds nothing
  EXPECT_TRUE(camera->Capturing());
  camera->HandleFrame(Picture(3));
  EXPECT_FALSE(camera->Capturing());
  EXPECT_EQ(camera->windowTitle(), "Gate (stream)");  // the third picture made it a stream
  EXPECT_EQ(Captures(), QStringList({"Gate00001.vmc"}));

  // A running recording can be cancelled from the same item.
  Answer({0, 0, 1, 0, 0, 0});
  Item(camera, "MultiCapture1")->trigger();
  ASSERT_TRUE(camera->Capturing());
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  Item(camera, "MultiCapture1")->trigger();
  EXPECT_FALSE(camera->Capturing());
  EXPECT_EQ(Captures(), QStringList({"Gate00001.vmc", "Gate00002.vmc"}));
}

TEST_F(TMultiCaptureTest, AFailingSaveEndsTheRecordingWithOneMessage) {
  TfrmCamera* camera = Open("/push?status=404", "Gate");
  camera->HandleFrame(Picture(1));
  WriteFileAtomically(File("CAPTURE"), "in the way");
  Answer({0, 0, 0, 0, 0, 0});  // individual JPEG files without end
  Item(camera, "MultiCapture1")->trigger();
  for (int n = 2; n < 6; ++n) camera->HandleFrame(Picture(n));
  EXPECT_FALSE(camera->Capturing());
  EXPECT_EQ(TDialogs::MessageCount(), 1);
}

TEST_F(TMultiCaptureTest, ADesktopRecordsItsChangingWindowsIntoOneFile) {
  QDir().mkpath(QString::fromStdString(File("CAPTURE")));
  WriteFileAtomically(File("CAPTURE/Desktop00002.vmc"), "kept");
  QList<TfrmCamera*> live;
  for (const char* scene : {"1", "2", "3"})
    live << Open(std::string("/push?size=96x64&fps=20&scene=") + scene, scene);
  // A camera that never answers: its pictures come from the test.
  TCameraOptions stillOptions = Options("/", "Still");
  stillOptions.Video.Web = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
  TfrmCamera* still = FDesktop->CameraWindows()->OpenCamera(stillOptions);
  ASSERT_TRUE(WaitFor([&] {
    return std::all_of(live.begin(), live.end(), [](TfrmCamera* c) { return c->Picture().Real(); });
  }));
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    EXPECT_FALSE(Child<QRadioButton>(dialog, "rdoJPG")->isEnabled());
    EXPECT_TRUE(Child<QLabel>(dialog, "lblWarning")->isHidden());
    EXPECT_EQ(Child<QSpinBox>(dialog, "spnMilliseconds")->minimum(), 1);
    Child<QSpinBox>(dialog, "spnMilliseconds")->setValue(250);
    Child<QPushButton>(dialog, "btnFastCapture")->click();
    return dialog.result();
  });
  QAction* item = Item(FDesktop.get(), "DesktopMultiCapture1");
  item->trigger();
  EXPECT_EQ(FDesktop->StatusText(),
            "Desktop Capture: 1 frame(s) and 3 image(s) into Desktop00001.vmc");
  EXPECT_TRUE(item->isChecked());
  EXPECT_EQ(FDesktop->CameraWindows()->TimerInterval(), 250);

  // A second desktop records at the same time into a file of its own.
  TfrmVexilon second;
  second.CameraWindows()->OpenCamera(Options("/push?status=404", "Other"));
  second.CameraWindows()->Windows()[0]->HandleFrame(Picture(9));
  Answer({250, 0, 1, 0, 0, 0});
  Item(&second, "DesktopMultiCapture1")->trigger();
  EXPECT_EQ(second.DesktopRecorder()->FileName(), "Desktop00003.vmc");

  // The window without a stream shows one picture, then the same picture again.
  const TDesktopRecorder& recorder = *FDesktop->DesktopRecorder();
  still->HandleFrame(Picture(1));
  ASSERT_TRUE(WaitFor([&] { return recorder.FrameCount() >= 3; }));
  still->HandleFrame(Picture(1));
  ASSERT_TRUE(WaitFor([&] { return recorder.FrameCount() >= 5; }));
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  item->trigger();
  EXPECT_FALSE(item->isChecked());
  EXPECT_FALSE(FDesktop->DesktopCapturing());
  EXPECT_EQ(FDesktop->CameraWindows()->TimerInterval(), 1000);
  EXPECT_TRUE(second.DesktopCapturing());

  TMultiCaptureReader reader;
  reader.Open(File("CAPTURE/Desktop00001.vmc"));
  while (!reader.IndexStep(1000)) {
  }
  ASSERT_FALSE(reader.Damaged());
  ASSERT_GE(reader.FrameIndex().size(), 5u);
  const TCaptureFrame first = reader.ReadFrame(0);
  ASSERT_EQ(first.Images.size(), 3u);
  EXPECT_EQ(first.Images[0].Name, "3");  // the newest window first
  EXPECT_EQ(first.Images[0].Rect, live[2]->OuterBounds());
  EXPECT_EQ(first.Images[0].WindowNumber, live[2]->WindowId());
  int stillImages = 0;
  for (std::size_t i = 0; i < reader.FrameIndex().size(); ++i) {
    for (const TCaptureImage& image : reader.ReadFrame(i).Images)
      stillImages += image.Name == "Still" ? 1 : 0;
  }
  EXPECT_EQ(stillImages, 1);
}

}  // namespace
}  // namespace vexilon
