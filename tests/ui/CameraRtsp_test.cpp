#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <chrono>

#include "CameraTestSupport.h"
#include "core/app/AtomicFile.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/imaging/Jpeg.h"
#include "support/LoopbackServer.h"
#include "support/RtspServer.h"
#include "ui/camera/CameraSink.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;

QSize JpegSizeOf(const std::string& jpeg) {
  int width = 0, height = 0;
  JpegSize(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(), width, height);
  return {width, height};
}

// Camera windows on GStreamer's RTSP server: H.264 at 320x240 with G.711 sound, behind a
// password.
class TCameraRtspTest : public TCameraTest {
 protected:
  static void SetUpTestSuite() {
    TCameraTest::SetUpTestSuite();
    FServer = new TRtspServer({"--size", "320x240", "--fps", "25", "--user", "viewer", "--password",
                               "secret", "--audio"});
  }
  static void TearDownTestSuite() {
    delete FServer;
    FServer = nullptr;
    TCameraTest::TearDownTestSuite();
  }
  void SetUp() override {
    TCameraTest::SetUp();
    ASSERT_TRUE(FServer->Started()) << FServer->Error();
  }
  TfrmCamera* OpenRtsp(const std::string& web, const std::string& auth, bool udp = false) {
    TCameraOptions options = Options("/", "Yard");
    options.Video.Web = web;
    options.Video.Auth = auth;
    options.Video.RtspUdp = udp;
    return FDesktop->CameraWindows()->OpenCamera(options);
  }

  static inline TRtspServer* FServer = nullptr;
};

TEST_F(TCameraRtspTest, PicturesAreDecodedForTheWindowAndCapturedAtTheCamerasSize) {
  Settings().AudioOutput = true;
  SoundOutput().ApplySettings();
  TfrmCamera* camera = OpenRtsp(FServer->Url(), "viewer:secret");
  ASSERT_TRUE(WaitFor([&] { return camera->Picture().Real(); }, 20000))
      << camera->StateLine().Text.toStdString();
  const TPicture& picture = camera->Picture();
  EXPECT_EQ(QSize(picture.Width, picture.Height), QSize(320, 240));
  EXPECT_EQ(picture.Image.size(), QSize(160, 120));  // decoded at the window's size
  EXPECT_TRUE(picture.Jpeg.empty());                 // and encoded for nobody
  EXPECT_TRUE(camera->HeaderText().contains("h264, 320x240"));
  EXPECT_TRUE(camera->StateLine().Text.isEmpty());
  // The active window's sound is heard.
  EXPECT_TRUE(WaitFor([&] { return camera->windowTitle().contains(" (audio)"); }))
      << camera->windowTitle().toStdString();

  Item(camera, "QuickCapture1")->trigger();
  EXPECT_EQ(FDesktop->StatusText(), "Captured to file: Yard00001.jpg");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(File("CAPTURE/Yard00001.jpg"), bytes));
  EXPECT_EQ(JpegSizeOf(bytes), QSize(320, 240));

  // A clip of every picture: each frame is its own full-size JPEG.
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    Child<QSpinBox>(dialog, "spnMilliseconds")->setValue(0);
    Child<QSpinBox>(dialog, "spnCount")->setValue(5);
    Child<QRadioButton>(dialog, "rgSingleCaptureItem1")->setChecked(true);
    Child<QRadioButton>(dialog, "rdoVMC")->setChecked(true);
    Child<QPushButton>(dialog, "btnOk")->click();
    return dialog.result();
  });
  Item(camera, "MultiCapture1")->trigger();
  ASSERT_TRUE(camera->Capturing());
  ASSERT_TRUE(WaitFor([&] { return !camera->Capturing(); }, 5000));
  TMultiCaptureReader reader;
  reader.Open(File("CAPTURE/Yard00001.vmc"));
  while (!reader.IndexStep(100)) {
  }
  ASSERT_EQ(reader.FrameIndex().size(), 5u);
  std::string last;
  for (std::size_t i = 0; i < reader.FrameIndex().size(); ++i) {
    const TCaptureFrame frame = reader.ReadFrame(i);
    ASSERT_EQ(frame.Images.size(), 1u);
    EXPECT_EQ(JpegSizeOf(frame.Images[0].Jpeg), QSize(320, 240));
    EXPECT_NE(frame.Images[0].Jpeg, last);  // the pattern moves
    last = frame.Images[0].Jpeg;
  }

  // Minimised, it decodes nothing; shown again, its pictures come again.
  camera->SubWindow()->showMinimized();
  ASSERT_TRUE(WaitFor([&] { return !camera->SharedState()->Seen; }, 3000));
  QTest::qWait(300);  // what was on its way
  const int hidden = camera->FrameCount();
  QTest::qWait(300);
  EXPECT_EQ(camera->FrameCount(), hidden);
  camera->SubWindow()->showNormal();
  EXPECT_TRUE(WaitFor([&] { return camera->FrameCount() > hidden + 5; }, 5000));

  // RTP over UDP, as the entry may choose.
  TfrmCamera* udp = OpenRtsp(FServer->Url(), "viewer:secret", true);
  EXPECT_TRUE(WaitFor([&] { return udp->Picture().Real(); }, 20000));
  udp->CloseWindow();

  const auto start = std::chrono::steady_clock::now();
  camera->CloseWindow();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_TRUE(FDesktop->CameraWindows()->Windows().isEmpty());
}

TEST_F(TCameraRtspTest, AWindowSaysWhyItHasNoPicture) {
  const struct {
    std::string Web, Auth;
    const char* Said;
  } rows[] = {
      {FServer->Url(), "viewer:wrong", "The camera refused the user name or password (401)"},
      {"rtsp://127.0.0.1:" + std::to_string(ClosedPort()) + "/live", "", "Connection refused"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Said);
    TfrmCamera* camera = OpenRtsp(row.Web, row.Auth);
    EXPECT_TRUE(WaitFor([&] { return camera->StateLine().Text.startsWith(row.Said); }, 10000))
        << camera->StateLine().Text.toStdString();
    EXPECT_TRUE(camera->StateLine().Text.contains("reconnecting in"));
  }
}

}  // namespace
}  // namespace vexilon
