#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "CameraTestSupport.h"
#include "core/app/AtomicFile.h"
#include "core/imaging/Jpeg.h"
#include "support/GreyJpeg.h"
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
      dialog.findChild<QSpinBox*>("spnMilliseconds")->setValue(s.Delay);
      dialog.findChild<QSpinBox*>("spnCount")->setValue(s.Count);
      dialog.findChild<QSpinBox*>("spnCapturesLimit")->setValue(s.FileLimit);
      dialog.findChild<QRadioButton*>(QStringLiteral("rgSingleCaptureItem%1").arg(s.ClipMode))
          ->setChecked(true);
      dialog.findChild<QRadioButton*>(QStringLiteral("rgNumberofCapturesItem%1").arg(s.FileMode))
          ->setChecked(true);
      dialog.findChild<QRadioButton*>(s.Style == 0 ? "rdoJPG" : "rdoVMC")->setChecked(true);
      dialog.findChild<QPushButton*>("btnOk")->click();
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
  EXPECT_EQ(dialog.findChild<QSpinBox*>("spnMilliseconds")->minimum(), 0);
  dialog.findChild<QPushButton*>("btnFastCapture2")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Chosen().Delay, 1000);
  EXPECT_EQ(dialog.Chosen().Count, 0);
  EXPECT_EQ(LastMultiCaptureSettings(), TMultiCaptureSettings());  // quick settings leave it

  // An unsaved user button records like quick setting A and keeps its caption.
  TfrmMultiCapture second(nullptr, 1);
  QPushButton* user2 = second.findChild<QPushButton*>("btnUserSettings2");
  EXPECT_EQ(user2->text(), "User Settings 2");
  user2->click();
  EXPECT_EQ(second.Chosen(), (TMultiCaptureSettings{250, 0, 1, 0, 0, 0}));

  // The right button stores the controls under the button, once confirmed.
  TfrmMultiCapture third;
  third.findChild<QSpinBox*>("spnMilliseconds")->setValue(1000);
  third.findChild<QSpinBox*>("spnCount")->setValue(50);
  third.findChild<QRadioButton*>("rgSingleCaptureItem1")->setChecked(true);
  third.findChild<QSpinBox*>("spnCapturesLimit")->setValue(3);
  third.findChild<QRadioButton*>("rdoJPG")->setChecked(true);
  SettingsChanged = false;
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  QTest::mousePress(third.findChild<QPushButton*>("btnUserSettings2"), Qt::RightButton);
  EXPECT_EQ(Settings().User[1], "DELAY=1000 COUNT=50 STYLE=0 CLIPMODE=1 FILEMODE=1 FILELIMIT=3");
  EXPECT_EQ(third.findChild<QPushButton*>("btnUserSettings2")->text(),
            "#&2: 1000ms, 50 frames, 3 times, .jpg");
  EXPECT_TRUE(SettingsChanged);
  third.findChild<QPushButton*>("btnOk")->click();
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

}  // namespace
}  // namespace vexilon
