#include <QDialog>
#include <QMdiArea>
#include <QSpinBox>

#include <QTemporaryDir>
#include "CameraTestSupport.h"
#include "core/net/AudioThread.h"
#include "ui/app/AudioLevelPanel.h"
#include "ui/camera/SoundOutput.h"
#include "ui/camera/WaveDevices.h"

namespace vexilon {
namespace {

using TCameraSoundTest = TCameraTest;

// The tests run with VEXILON_AUDIO=null: the whole path runs, nothing is heard.
TEST_F(TCameraSoundTest, EmbeddedSoundPlaysAndReportsItsLevel) {
  Settings().AudioOutput = true;
  SoundOutput().ApplySettings();
  TfrmCamera* camera = Open("/tagged?sound&size=160x120", "Entrance");
  ASSERT_TRUE(WaitFor([&] { return camera->windowTitle() == "Entrance (stream) (audio)"; }, 8000))
      << camera->windowTitle().toStdString();
  ASSERT_TRUE(WaitFor([&] { return FDesktop->AudioLevelPanel()->Level() > 0; }));

  // Switched off, sound stops at once and no new block is queued.
  Settings().AudioOutput = false;
  SoundOutput().ApplySettings();
  EXPECT_FALSE(SoundOutput().WaveOut().IsOpen());
}

TEST_F(TCameraSoundTest, TheSoundFocusFollowsTheActiveWindow) {
  Settings().AudioOutput = true;
  SoundOutput().ApplySettings();
  TCameraOptions first = Options("/push", "Reception");
  first.Audio.Web = Address("/sound.au?ulaw");
  first.Audio.Flags = kSeparateAudioFormat;
  TCameraOptions second = first;
  second.Caption = "Reception 2";
  TCameraWindows& windows = *FDesktop->CameraWindows();
  TfrmCamera* a = windows.OpenCamera(first);
  ASSERT_NE(a->AudioThread(), nullptr);
  EXPECT_EQ(AudioOwner().load(), a->AudioThread());
  TfrmCamera* b = windows.OpenCamera(second);
  EXPECT_EQ(AudioOwner().load(), b->AudioThread());
  ASSERT_TRUE(WaitFor([&] { return b->windowTitle().contains(" (audio)"); }, 8000));

  FDesktop->MdiArea()->setActiveSubWindow(a->SubWindow());
  EXPECT_EQ(AudioOwner().load(), a->AudioThread());
  // Resuming the window in the background does not take the sound back.
  b->ResumeStreams();
  EXPECT_EQ(AudioOwner().load(), a->AudioThread());
  // Closing the audible window hands the sound to the window activated next.
  a->CloseWindow();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(AudioOwner().load(), b->AudioThread());
}

TEST_F(TCameraSoundTest, OptionsSwitchTheOutputAndSizeItsBuffer) {
  Item(FDesktop.get(), "AudioDevice1")->trigger();
  EXPECT_TRUE(SoundOutput().Enabled());
  TDialogs::SetNextDialogHandler([](QDialog& dialog) {
    auto* spin = Child<QSpinBox>(dialog, "spnValue");
    spin->setValue(7);
    return int(QDialog::Accepted);
  });
  Item(FDesktop.get(), "AudioBufferSize1")->trigger();
  EXPECT_EQ(SoundOutput().WaveOut().AudioBuffer(), 7);
  Item(FDesktop.get(), "AudioDevice1")->trigger();
  EXPECT_FALSE(SoundOutput().Enabled());
}

TEST(SilentWaveDevice, PlaysInRealTimeAndWritesAWavFile) {
  QTemporaryDir folder;
  const std::string file = folder.filePath("out.wav").toStdString();
  {
    TSilentWaveDevice device(file);
    int done = 0;
    ASSERT_TRUE(device.Open(TWaveFormat::Pcm(8000, 16, 1), [&] { ++done; }));
    device.Write(std::vector<uint8_t>(160, 1));  // 10 ms
    device.Write(std::vector<uint8_t>(160, 2));
    device.Restart();
    EXPECT_EQ(done, 0);  // collected while paused
    QTest::qWait(25);
    device.Write(std::vector<uint8_t>(160, 3));
    EXPECT_GE(done, 2);  // 20 ms of sound have played by now
    device.Reset();
    EXPECT_EQ(done, 3);
    device.Close();
  }
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(file, bytes));
  ASSERT_EQ(bytes.size(), 44u + 480u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(bytes.substr(36, 4), "data");
  EXPECT_EQ(bytes[44 + 320], 3);
}

}  // namespace
}  // namespace vexilon
