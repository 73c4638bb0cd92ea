#include "Sound.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace vexilon::camsim {
namespace {

constexpr int kPieceSamples = kSoundRate * kAuPieceMillis / 1000;

void PutBigEndian(std::string& out, std::uint32_t v) {
  out += {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

}  // namespace

std::int16_t ToneSample(std::uint64_t index) {
  const double frequency = (index / kSoundRate) % 2 == 0 ? 440.0 : 660.0;
  const double t = double(index % kSoundRate) / kSoundRate;
  return std::int16_t(std::lround(8000.0 * std::sin(2 * std::numbers::pi * frequency * t)));
}

std::uint8_t LinearToMuLaw(std::int16_t sample) {
  constexpr int kBias = 0x84, kClip = 32635;
  int value = sample;
  const int sign = value < 0 ? 0x80 : 0;
  if (sign) value = -value;
  value = std::min(value, kClip) + kBias;
  int exponent = 7;
  for (int mask = 0x4000; (value & mask) == 0 && exponent > 0; mask >>= 1) --exponent;
  const int mantissa = (value >> (exponent + 3)) & 0x0F;
  return std::uint8_t(~(sign | (exponent << 4) | mantissa));
}

const std::string& Raw8Second(std::uint64_t second) {
  static const std::array<std::string, 2> seconds = [] {
    std::array<std::string, 2> out;
    for (int s = 0; s < 2; ++s) {
      for (int i = 0; i < kSoundRate; ++i) {
        out[s] += char(ToneSample(std::uint64_t(s * kSoundRate + i)) * 48 / 8000);
      }
    }
    return out;
  }();
  return seconds[second % 2];
}

std::string Raw8Header() {
  std::string header = "camsim 8-bit 8000 Hz";
  header.resize(28, '\0');
  return header;
}

std::shared_ptr<const std::string> AuPiece(bool muLaw, std::uint64_t n) {
  auto piece = std::make_shared<std::string>();
  if (n == 0) {
    *piece = ".snd";
    for (std::uint32_t v : {24u, 0xFFFFFFFFu, muLaw ? 1u : 3u, std::uint32_t(kSoundRate), 1u}) {
      PutBigEndian(*piece, v);
    }
  }
  for (int i = 0; i < kPieceSamples; ++i) {
    const std::int16_t sample = ToneSample(n * kPieceSamples + std::uint64_t(i));
    if (muLaw) {
      *piece += char(LinearToMuLaw(sample));
    } else {
      *piece += {char(std::uint16_t(sample) >> 8), char(sample)};
    }
  }
  return piece;
}

}  // namespace vexilon::camsim
