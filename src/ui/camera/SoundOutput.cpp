#include "ui/camera/SoundOutput.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "core/app/Settings.h"
#include "ui/app/MainWindow.h"
#include "ui/camera/WaveDevices.h"

namespace vexilon {

TSoundOutput::TSoundOutput()
    : FDevice(CreateWaveDevice()),
      FWaveOut(std::make_unique<TWaveOut>(*FDevice, Settings().AudioBuffer)) {
  FWaveOut->SetFillReport([](bool buffering, int percent) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    QMetaObject::invokeMethod(
        app,
        [buffering, percent] {
          if (TfrmVexilon* window = MainWindowHandle()) window->AudioLevel(buffering, percent);
        },
        Qt::QueuedConnection);
  });
  ApplySettings();
}

TSoundOutput::~TSoundOutput() {
  FWaveOut->SetFillReport({});
}

void TSoundOutput::ApplySettings() {
  FWaveOut->SetAudioBuffer(Settings().AudioBuffer);
  FEnabled = Settings().AudioOutput;
  if (!FEnabled) FWaveOut->StopSound();
  const TRemembered& remembered = Settings().Remembered;
  FDevice->SetVolume(remembered.Mute ? 0.0 : remembered.Volume / 100.0);
}

TSoundOutput& SoundOutput() {
  // Never destroyed: reader threads left behind at exit may still reach it.
  static TSoundOutput* output = new TSoundOutput;
  return *output;
}

}  // namespace vexilon
