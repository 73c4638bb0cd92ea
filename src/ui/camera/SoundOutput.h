#pragma once
#include <atomic>
#include <memory>

#include "core/audio/WaveDevice.h"
#include "core/audio/WaveOut.h"

namespace vexilon {

// The process's one sound output: the device VEXILON_AUDIO chooses, the wave output queue on
// it, and AUDIOOUTPUT as the reader threads may read it. Fill reports go to the main window,
// queued onto the user-interface thread.
class TSoundOutput {
 public:
  TSoundOutput();
  ~TSoundOutput();

  TWaveOut& WaveOut() { return *FWaveOut; }
  bool Enabled() const { return FEnabled; }
  // AUDIOOUTPUT, AUDIOBUFFER, the volume and muting as the settings hold them now; sound
  // stops when switched off.
  void ApplySettings();

 private:
  std::unique_ptr<TWaveDevice> FDevice;
  std::unique_ptr<TWaveOut> FWaveOut;
  std::atomic<bool> FEnabled{false};
};

// Created on first use, on the user-interface thread (the main window asks for it at start).
TSoundOutput& SoundOutput();

}  // namespace vexilon
