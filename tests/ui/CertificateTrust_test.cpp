// An https:// camera whose certificate the computer does not trust, opened from the catalogue.
#include "CameraTestSupport.h"
#include "core/app/AtomicFile.h"
#include "core/catalogue/CamNodes.h"
#include "core/catalogue/CatalogueRules.h"
#include "ui/app/Dialogs.h"
#include "ui/catalogue/CatalogueController.h"
#include "ui/catalogue/EntryEditor.h"

namespace vexilon {
namespace {

class TCertificateTrustTest : public TCameraTest {
 protected:
  static void SetUpTestSuite() {
    TCameraTest::SetUpTestSuite();
    FHttps = new TCamSim({"--https", "--size", "160x120", "--fps", "25", "--loop", "1"});
  }
  static void TearDownTestSuite() {
    delete FHttps;
    FHttps = nullptr;
    TCameraTest::TearDownTestSuite();
  }
  void SetUp() override {
    TCameraTest::SetUp();
    ASSERT_TRUE(FHttps->Started()) << FHttps->Error();
    WriteFileAtomically(File("Vexilon.vxc"), Catalogue(""));
    SetCommandLine({"/NOWEB"});
    FDesktop->StartPrimary(false);
    TDialogs::Reset();
  }
  static std::string Catalogue(const std::string& pin) {
    return "Vexilon Data File\r\nTYPE=ROOT NAME=Cameras\r\n:TYPE=ITEM NAME=Gate WEB=https://"
           "127.0.0.1:" +
           std::to_string(FHttps->Port()) +
           "/push AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 WIDTH=160 HEIGHT=120 "
           "INTERVAL=250" +
           (pin.empty() ? "" : " CERTPIN=\"" + pin + "\"") + "\r\n";
  }
  TCatalogue& Catalogue() { return FDesktop->Catalogue()->Catalogue(); }
  std::string EntryPin() {
    return FindByPath(*Catalogue().FRoot, "Gate")->AsItem()->Video().CertPin;
  }
  // Opens the entry and waits until it shows pictures or asked about its certificate.
  TfrmCamera* OpenGate() {
    TfrmCamera* camera = FDesktop->OpenCameraByPath("Gate", -1, -1, -1, -1, csMdiChild);
    WaitFor([&] { return camera->FrameCount() > 0 || TDialogs::MessageCount() > 0; });
    return camera;
  }

  static inline TCamSim* FHttps = nullptr;
};

TEST_F(TCertificateTrustTest, TrustedOnceTheCameraStreamsAndStaysTrustedAfterARestart) {
  // Refused: asked once, the reason stays, and the camera is not asked about again.
  TDialogs::SetNextAnswer(QMessageBox::No);
  QPointer<TfrmCamera> camera = OpenGate();
  EXPECT_EQ(TDialogs::LastMessageCaption(), "Untrusted Certificate");
  EXPECT_TRUE(TDialogs::LastMessageText().contains(QString::fromStdString(FHttps->Fingerprint())));
  QTest::qWait(2500);  // at least one more try
  EXPECT_EQ(TDialogs::MessageCount(), 1);
  EXPECT_EQ(camera->FrameCount(), 0);
  EXPECT_TRUE(camera->StateLine().Text.contains("not trusted"))
      << camera->StateLine().Text.toStdString();
  EXPECT_EQ(EntryPin(), "");
  camera->CloseWindow();

  // Trusted: the window streams, the entry keeps the pin and the catalogue is saved with it.
  TDialogs::Reset();
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  camera = OpenGate();
  ASSERT_TRUE(WaitFor([&] { return camera->FrameCount() > 0; }))
      << camera->StateLine().Text.toStdString();
  EXPECT_EQ(EntryPin(), FHttps->Fingerprint());
  EXPECT_FALSE(Catalogue().FCatalogChanged);
  std::string saved;
  ReadWholeFile(File("Vexilon.vxc"), saved);
  EXPECT_NE(saved.find(" CERTPIN=" + FHttps->Fingerprint()), std::string::npos) << saved;
  camera->CloseWindow();

  // After a restart (the catalogue read again), no question.
  TDialogs::Reset();
  Catalogue().LoadMainFile(File("Vexilon.vxc"));
  camera = OpenGate();
  EXPECT_GT(camera->FrameCount(), 0);
  EXPECT_EQ(TDialogs::MessageCount(), 0);
}

TEST_F(TCertificateTrustTest, AChangedCertificateIsAskedAboutAndRefusedUntilTrusted) {
  const std::string old =
      "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:"
      "EE:FF";
  WriteFileAtomically(File("Vexilon.vxc"), Catalogue(old));
  Catalogue().LoadMainFile(File("Vexilon.vxc"));
  TDialogs::SetNextAnswer(QMessageBox::No);
  TfrmCamera* camera = OpenGate();
  EXPECT_TRUE(TDialogs::LastMessageText().contains("has changed"));
  EXPECT_TRUE(TDialogs::LastMessageText().contains(QString::fromStdString(old)));
  EXPECT_TRUE(WaitFor([&] { return camera->StateLine().Text.contains("has changed"); }));
  EXPECT_EQ(camera->FrameCount(), 0);
  EXPECT_EQ(EntryPin(), old);
}

TEST_F(TCertificateTrustTest, TheEditorsTestOffersToTrustAndTestsAgain) {
  TfrmEntry editor;
  Child<QLineEdit>(editor, "edtWEB")
      ->setText(
          QString::fromStdString("https://127.0.0.1:" + std::to_string(FHttps->Port()) + "/push"));
  QLineEdit* pin = Child<QLineEdit>(editor, "edtCertPin");
  EXPECT_TRUE(pin->isEnabled());
  TDialogs::SetNextAnswer(QMessageBox::Yes);
  Child<QPushButton>(editor, "btnTest")->click();
  QLabel* result = Child<QLabel>(editor, "lblTestResult");
  EXPECT_TRUE(WaitFor([&] { return result->text().startsWith("Pictures come"); }, 10000))
      << result->text().toStdString();
  EXPECT_EQ(pin->text().toStdString(), FHttps->Fingerprint());
  EXPECT_EQ(TDialogs::MessageCount(), 1);
}

}  // namespace
}  // namespace vexilon
