#include "core/audio/WaveOut.h"

#include "core/app/Settings.h"

namespace vexilon {
namespace {

constexpr auto kIdleClose = std::chrono::seconds(30);

}  // namespace

TWaveOut::TWaveOut(TWaveDevice& device, int audioBuffer, TClock clock)
    : FDevice(device), FClock(std::move(clock)) {
  SetAudioBuffer(audioBuffer);
}

TWaveOut::~TWaveOut() {
  StopSound();
}

void TWaveOut::SetAudioBuffer(int blocks) {
  FAudioBuffer = blocks == kAudioBufferRange.Clamp(blocks) ? blocks : kDefaultAudioBuffer;
}

void TWaveOut::SetFillReport(TFillReport report) {
  std::lock_guard lock(FReportLock);
  FReport = std::move(report);
}

bool TWaveOut::IsOpen() const {
  std::lock_guard lock(FLock);
  return FOpen;
}

void TWaveOut::PlaySoundBlock(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels,
                              const uint8_t* data, size_t count) {
  // A header may claim any rate or channel count: no device is opened for nonsense.
  if (samplesPerSec < kMinSoundRate || samplesPerSec > kMaxSoundRate || channels < 1 ||
      channels > kMaxSoundChannels)
    return;
  {
    std::lock_guard lock(FLock);
    const TWaveFormat format = TWaveFormat::Pcm(samplesPerSec, bitsPerSample, channels);
    if (!FOpen || !(format == FFormat)) {
      // Sound of the old format still queued is dropped with the device.
      CloseLocked();
      FFormat = format;
      if (FDevice.Open(format, [this] { BlockDone(); })) {
        FOpen = true;
        FBuffering = true;
        FDevice.Pause();
      }
    }
    const int limit = QueueLimit();
    if (FOpen && (FQueued >= limit || FQueued == 0)) {
      // Overflow drops what is queued; underrun starts collecting again.
      FDevice.Reset();
      FBuffering = true;
      FDevice.Pause();
    }
    if (FOpen && FQueued < limit) {
      FLastQueued = FClock();
      ++FQueued;
      // A refused block will never be done: it must not stay counted, or the queue would
      // look fuller and fuller.
      if (!FDevice.Write(std::vector<uint8_t>(data, data + count))) --FQueued;
      if (FBuffering && FQueued >= FAudioBuffer) {
        FBuffering = false;
        FDevice.Restart();
      }
    }
  }
  Report();
}

void TWaveOut::CloseLocked() {
  if (!FOpen) return;
  FDevice.Reset();
  FDevice.Close();
  FOpen = false;
}

bool TWaveOut::DeviceOpen() {
  std::lock_guard lock(FLock);
  return FOpen;
}

void TWaveOut::StopSound() {
  std::lock_guard lock(FLock);
  CloseLocked();
}

void TWaveOut::CloseIdleSound() {
  std::lock_guard lock(FLock);
  if (FOpen && FClock() - FLastQueued > kIdleClose) CloseLocked();
}

void TWaveOut::BlockDone() {
  --FQueued;
  Report();
}

void TWaveOut::Report() {
  TFillReport report;
  {
    std::lock_guard lock(FReportLock);
    report = FReport;
  }
  if (!report) return;
  const int limit = QueueLimit();
  report(FBuffering, (FQueued * 100 + limit / 2) / limit);
}

}  // namespace vexilon
