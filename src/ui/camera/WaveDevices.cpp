#include "ui/camera/WaveDevices.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/app/AtomicFile.h"

namespace vexilon {
namespace {

// A WAV file of a long session is cut here rather than filling memory.
constexpr size_t kMaxWavData = size_t(64) << 20;

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xff);
}

}  // namespace

void TBlockQueue::SetDone(TWaveDevice::TBlockDone done) {
  std::lock_guard lock(FLock);
  FDone = std::move(done);
}

void TBlockQueue::Push(std::vector<uint8_t> block) {
  std::lock_guard lock(FLock);
  FBlocks.push_back(std::move(block));
}

size_t TBlockQueue::Pull(char* out, size_t size) {
  size_t taken = 0;
  int finished = 0;
  TWaveDevice::TBlockDone done;
  {
    std::lock_guard lock(FLock);
    while (taken < size && !FBlocks.empty()) {
      const std::vector<uint8_t>& front = FBlocks.front();
      const size_t n = std::min(size - taken, front.size() - FOffset);
      if (out != nullptr && n > 0) std::memcpy(out + taken, front.data() + FOffset, n);
      taken += n;
      FOffset += n;
      if (FOffset >= front.size()) {
        FBlocks.pop_front();
        FOffset = 0;
        ++finished;
      }
    }
    done = FDone;
  }
  // Outside the lock: the output's bookkeeping may call back into the device.
  for (int i = 0; i < finished && done; ++i) done();
  return taken;
}

void TBlockQueue::Clear() {
  size_t count;
  TWaveDevice::TBlockDone done;
  {
    std::lock_guard lock(FLock);
    count = FBlocks.size();
    FBlocks.clear();
    FOffset = 0;
    done = FDone;
  }
  for (size_t i = 0; i < count && done; ++i) done();
}

bool TBlockQueue::Paused() const {
  std::lock_guard lock(FLock);
  return FPaused;
}

void TBlockQueue::SetPaused(bool paused) {
  std::lock_guard lock(FLock);
  FPaused = paused;
}

TSilentWaveDevice::TSilentWaveDevice(std::string wavFile) : FWavFile(std::move(wavFile)) {}

bool TSilentWaveDevice::Open(const TWaveFormat& format, TBlockDone done) {
  FFormat = format;
  FQueue.SetDone(std::move(done));
  FQueue.SetPaused(true);
  return true;
}

void TSilentWaveDevice::Play() {
  // Whatever real time has passed since the last look has been played.
  const auto now = std::chrono::steady_clock::now();
  if (FQueue.Paused()) {
    FPlayedUntil = now;
    return;
  }
  const auto elapsed = std::chrono::duration<double>(now - FPlayedUntil).count();
  const auto bytes = size_t(elapsed * FFormat.AvgBytesPerSec);
  if (bytes == 0) return;
  FQueue.Pull(nullptr, bytes);
  FPlayedUntil = now;
}

bool TSilentWaveDevice::Write(std::vector<uint8_t> block) {
  if (!FWavFile.empty() && FData.size() + block.size() <= kMaxWavData)
    FData.append(reinterpret_cast<const char*>(block.data()), block.size());
  FQueue.Push(std::move(block));
  Play();
  return true;
}

void TSilentWaveDevice::Pause() {
  Play();
  FQueue.SetPaused(true);
}

void TSilentWaveDevice::Restart() {
  FQueue.SetPaused(false);
  FPlayedUntil = std::chrono::steady_clock::now();
}

void TSilentWaveDevice::Reset() {
  FQueue.Clear();
}

void TSilentWaveDevice::Close() {
  FQueue.Clear();
  if (FWavFile.empty()) return;
  std::string file = "RIFF";
  PutLe(file, uint32_t(36 + FData.size()), 4);
  file += "WAVEfmt ";
  PutLe(file, 16, 4);
  PutLe(file, FFormat.FormatTag, 2);
  PutLe(file, FFormat.Channels, 2);
  PutLe(file, FFormat.SamplesPerSec, 4);
  PutLe(file, FFormat.AvgBytesPerSec, 4);
  PutLe(file, FFormat.BlockAlign, 2);
  PutLe(file, FFormat.BitsPerSample, 2);
  file += "data";
  PutLe(file, uint32_t(FData.size()), 4);
  file += FData;
  try {
    WriteFileAtomically(FWavFile, file);
  } catch (const EFileWrite&) {
    // Sound is never worth an error box; the file simply stays as it was.
  }
}

std::unique_ptr<TWaveDevice> CreateWaveDevice() {
  const char* choice = std::getenv("VEXILON_AUDIO");
  const std::string value = choice != nullptr ? choice : "";
  if (value == "null") return std::make_unique<TSilentWaveDevice>();
  if (value.rfind("wav:", 0) == 0) return std::make_unique<TSilentWaveDevice>(value.substr(4));
  return CreateQtWaveDevice();
}

}  // namespace vexilon
