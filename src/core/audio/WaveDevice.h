#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "core/audio/WaveFormat.h"

namespace vexilon {

// The sound card as the wave output drives it: a queue of PCM blocks that plays while not
// paused. The real device sits on the platform's audio output; tests use a fake.
class TWaveDevice {
 public:
  // Called once for every block the device accepted, when it has played or was returned by
  // Reset; may come from the device's own thread.
  using TBlockDone = std::function<void()>;

  virtual ~TWaveDevice() = default;
  // Opens the system's default output for format; false when it cannot.
  virtual bool Open(const TWaveFormat& format, TBlockDone done) = 0;
  // Queues a block behind the others; false when the device refuses it.
  virtual bool Write(std::vector<uint8_t> block) = 0;
  virtual void Pause() = 0;
  virtual void Restart() = 0;
  // Drops every queued block; their done calls have all run when Reset returns.
  virtual void Reset() = 0;
  // Closes the device; called after Reset.
  virtual void Close() = 0;
  // The loudness of what plays, 0 (silent) to 1; kept for devices opened later.
  virtual void SetVolume(double volume) { (void)volume; }
};

}  // namespace vexilon
