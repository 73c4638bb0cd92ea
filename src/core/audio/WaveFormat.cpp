#include "core/audio/WaveFormat.h"

#include <algorithm>

namespace vexilon {

TWaveFormat TWaveFormat::Pcm(uint32_t samplesPerSec, uint16_t bitsPerSample, uint16_t channels) {
  TWaveFormat f;
  f.Channels = channels;
  f.SamplesPerSec = samplesPerSec;
  f.BitsPerSample = bitsPerSample;
  f.BlockAlign = uint16_t(uint32_t(channels) * bitsPerSample / 8);
  f.AvgBytesPerSec = uint32_t(f.BlockAlign) * samplesPerSec;
  return f;
}

std::array<uint8_t, TWaveFormat::kSize> TWaveFormat::Bytes() const {
  std::array<uint8_t, kSize> b{};
  auto put16 = [&](size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    put16(at, uint16_t(v));
    put16(at + 2, uint16_t(v >> 16));
  };
  put16(0, FormatTag);
  put16(2, Channels);
  put32(4, SamplesPerSec);
  put32(8, AvgBytesPerSec);
  put16(12, BlockAlign);
  put16(14, BitsPerSample);
  put16(16, ExtraSize);
  return b;
}

TWaveFormat TWaveFormat::FromBytes(const uint8_t* data, size_t size) {
  std::array<uint8_t, kSize> b{};
  std::copy_n(data, std::min(size, kSize), b.begin());
  auto get16 = [&](size_t at) { return uint16_t(b[at] | b[at + 1] << 8); };
  auto get32 = [&](size_t at) { return uint32_t(get16(at)) | uint32_t(get16(at + 2)) << 16; };
  TWaveFormat f;
  f.FormatTag = get16(0);
  f.Channels = get16(2);
  f.SamplesPerSec = get32(4);
  f.AvgBytesPerSec = get32(8);
  f.BlockAlign = get16(12);
  f.BitsPerSample = get16(14);
  f.ExtraSize = get16(16);
  return f;
}

}  // namespace vexilon
