#pragma once
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/audio/WaveDevice.h"

namespace vexilon {

// The blocks a device has accepted and not yet played, consumed as bytes from the front.
// Safe from any thread; done calls run on the thread that consumes or resets.
class TBlockQueue {
 public:
  void SetDone(TWaveDevice::TBlockDone done);
  void Push(std::vector<uint8_t> block);
  // Takes up to size bytes (into out when not null); finishes every block it empties.
  size_t Pull(char* out, size_t size);
  // Drops every block, finishing each.
  void Clear();
  bool Paused() const;
  void SetPaused(bool paused);

 private:
  mutable std::mutex FLock;
  std::deque<std::vector<uint8_t>> FBlocks;
  size_t FOffset = 0;  // bytes of the front block already taken
  bool FPaused = true;
  TWaveDevice::TBlockDone FDone;
};

// A device that plays in real time into nothing, or, given a file name, into a WAV file that
// it writes when closed. For tests and machines without sound.
class TSilentWaveDevice : public TWaveDevice {
 public:
  explicit TSilentWaveDevice(std::string wavFile = {});
  bool Open(const TWaveFormat& format, TBlockDone done) override;
  bool Write(std::vector<uint8_t> block) override;
  void Pause() override;
  void Restart() override;
  void Reset() override;
  void Close() override;

 private:
  void Play();

  TBlockQueue FQueue;
  std::string FWavFile;
  TWaveFormat FFormat;
  std::string FData;  // PCM written so far, for the WAV file
  std::chrono::steady_clock::time_point FPlayedUntil;
};

// The platform's default sound output through Qt Multimedia.
std::unique_ptr<TWaveDevice> CreateQtWaveDevice();

// The device VEXILON_AUDIO asks for: "null" plays nothing, "wav:FILE" writes FILE, anything
// else is the sound card.
std::unique_ptr<TWaveDevice> CreateWaveDevice();

}  // namespace vexilon
