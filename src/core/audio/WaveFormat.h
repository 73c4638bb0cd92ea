#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace vexilon {

// The description of a PCM block as the wave output takes it; its 18-byte little-endian form
// (tag, channels, rate, bytes per second, block alignment, bits, extra size) is what a camera
// window receives and what the output compares to decide whether to reopen the device.
struct TWaveFormat {
  uint16_t FormatTag = 1;  // 1: PCM
  uint16_t Channels = 0;
  uint32_t SamplesPerSec = 0;
  uint32_t AvgBytesPerSec = 0;
  uint16_t BlockAlign = 0;
  uint16_t BitsPerSample = 0;
  uint16_t ExtraSize = 0;

  static constexpr size_t kSize = 18;

  // PCM with block alignment and byte rate derived from the other three.
  static TWaveFormat Pcm(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels);
  std::array<uint8_t, kSize> Bytes() const;
  // Reads min(18, size) bytes over a cleared format.
  static TWaveFormat FromBytes(const uint8_t* data, size_t size);

  bool operator==(const TWaveFormat&) const = default;
};

}  // namespace vexilon
