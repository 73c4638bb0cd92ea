#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/audio/WaveFormat.h"

namespace vexilon {

enum class TSoundKind {
  Au = 1,    // a Sun/NeXT AU stream, header first (separate sound streams)
  Raw8 = 2,  // 8-bit parts embedded in a video stream after a 28-byte header
};

enum class TSeekOrigin { Beginning, Current, End };

class ESoundRead : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes camera sound into PCM as bytes are written and hands the PCM out as a readable
// stream. Input may be split anywhere: a partial header or sample waits for the next Write.
class TSoundProcessor {
 public:
  explicit TSoundProcessor(TSoundKind kind);

  // Takes count input bytes; always answers count.
  size_t Write(const uint8_t* data, size_t count);
  // Copies up to count PCM bytes from the read position; throws ESoundRead when a Seek has
  // put the read position outside the buffered PCM.
  size_t Read(uint8_t* buffer, size_t count);
  // Moves the read position; answers the new stream position.
  int64_t Seek(int64_t offset, TSeekOrigin origin);

  int64_t Position() const { return FReadPos + FBase; }
  int64_t Size() const { return int64_t(FEnd) + FBase; }
  // PCM bytes decoded and not yet read.
  size_t Unread() const { return FReadPos < int64_t(FEnd) ? size_t(int64_t(FEnd) - FReadPos) : 0; }

  TSoundKind Kind() const { return FKind; }
  // Valid once the first samples are decoded.
  const TWaveFormat& WaveFormat() const { return FFormat; }
  // The AU header named an encoding other than 1 to 5: input is taken and dropped.
  bool Failed() const { return FFailed; }
  uint32_t Encoding() const;

 private:
  // Decodes input, appending PCM to out; answers the number of input bytes consumed.
  size_t Decode(const uint8_t* input, size_t size, std::vector<uint8_t>& out);
  size_t DecodeAu(const uint8_t* input, size_t size, std::vector<uint8_t>& out);
  size_t DecodeRaw8(const uint8_t* input, size_t size, std::vector<uint8_t>& out);
  void AppendPcm(const std::vector<uint8_t>& pcm);
  uint32_t HeaderWord(size_t offset) const;

  TSoundKind FKind;
  // Only the first bytes of a header carry fields; the rest of a long AU header is skipped
  // without being stored, so a data offset of four gigabytes costs no memory.
  std::array<uint8_t, 28> FHeader{};
  uint64_t FHeaderWanted;
  uint64_t FHeaderFilled = 0;
  std::vector<uint8_t> FLeftover;
  std::vector<uint8_t> FPcm;  // its size is the buffer's capacity
  size_t FEnd = 0;
  int64_t FReadPos = 0;
  int64_t FBase = 0;
  TWaveFormat FFormat;
  bool FFailed = false;
};

// 16-bit linear value of an 8-bit G.711 mu-law byte.
int16_t MuLawToLinear(uint8_t value);

}  // namespace vexilon
