#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include "core/audio/WaveDevice.h"

namespace vexilon {

// Sound outside these is not played: what a stream's header claims is untrusted.
inline constexpr std::uint32_t kMinSoundRate = 1000, kMaxSoundRate = 192000;
inline constexpr std::uint16_t kMaxSoundChannels = 8;
// Blocks queued beyond AUDIOBUFFER before the queue counts as overflowing: room for a burst
// after a network stall without holding seconds of stale sound.
inline constexpr int kQueueSlack = 20;

// The one sound output of the process: queues PCM blocks on a device, collecting
// AUDIOBUFFER blocks before playing starts, holding at most AUDIOBUFFER + kQueueSlack, starting
// over after an underrun or overflow, and closing after 30 seconds without sound.
//
// PlaySoundBlock runs on reader threads, StopSound and CloseIdleSound on the user-interface
// thread, and block completions on the device's thread.
class TWaveOut {
 public:
  using TClock = std::function<std::chrono::steady_clock::time_point()>;
  // buffering: still collecting blocks before playing; percent: queued blocks of the limit.
  using TFillReport = std::function<void(bool buffering, int percent)>;

  TWaveOut(
      TWaveDevice& device, int audioBuffer,
      TClock clock = [] { return std::chrono::steady_clock::now(); });
  ~TWaveOut();
  TWaveOut(const TWaveOut&) = delete;
  TWaveOut& operator=(const TWaveOut&) = delete;

  // Blocks to collect before playing; values outside 1 to 100 become 20.
  void SetAudioBuffer(int blocks);
  // Where fill reports go after every queued and every finished block; may be empty.
  void SetFillReport(TFillReport report);

  void PlaySoundBlock(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels,
                      const uint8_t* data, size_t count);
  // Drops queued sound and closes the device.
  void StopSound();
  // Whether the device took the current format; blocks are dropped while it did not.
  bool DeviceOpen();
  // StopSound after more than 30 seconds without a block; for the main window's timer.
  void CloseIdleSound();

  bool IsOpen() const;
  bool Buffering() const { return FBuffering; }
  int Queued() const { return FQueued; }
  int AudioBuffer() const { return FAudioBuffer; }
  int QueueLimit() const { return FAudioBuffer + kQueueSlack; }

 private:
  void BlockDone();
  void Report();
  void CloseLocked();

  TWaveDevice& FDevice;
  const TClock FClock;
  mutable std::mutex FLock;  // serialises the callers; never taken by completions
  bool FOpen = false;
  TWaveFormat FFormat;
  std::chrono::steady_clock::time_point FLastQueued{};
  std::atomic<int> FQueued{0};
  std::atomic<bool> FBuffering{false};
  std::atomic<int> FAudioBuffer{20};
  std::mutex FReportLock;
  TFillReport FReport;
};

}  // namespace vexilon
