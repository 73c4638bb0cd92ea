#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace vexilon::camsim {

// camsim's sound: a chime of 440 Hz and 660 Hz, a second each, 8000 samples per second.
// Every second holds whole periods, so the pieces join without a click.
constexpr int kSoundRate = 8000;
std::int16_t ToneSample(std::uint64_t index);

// 16-bit linear to 8-bit G.711 mu-law.
std::uint8_t LinearToMuLaw(std::int16_t sample);

// Second s of the chime as signed 8-bit samples, for "<Ssnd>" parts. The samples stay
// within ±48, so no "<END>" can appear in them.
const std::string& Raw8Second(std::uint64_t second);
// The 28 bytes that start the first sound part of a connection (skipped by the receiver).
std::string Raw8Header();

// An AU stream (mu-law or 16-bit big-endian linear), as pieces of kAuPieceMillis: piece 0
// starts with the AU header, which announces an open length.
constexpr int kAuPieceMillis = 200;
std::shared_ptr<const std::string> AuPiece(bool muLaw, std::uint64_t n);

}  // namespace vexilon::camsim
