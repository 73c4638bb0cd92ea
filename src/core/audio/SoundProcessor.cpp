#include "core/audio/SoundProcessor.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace vexilon {
namespace {

constexpr size_t kAuFixedHeader = 8;  // magic and data offset
constexpr size_t kAuFieldsEnd = 24;   // encoding, rate and channels end here
constexpr size_t kRaw8Header = 28;
constexpr size_t kRaw8Samples = 8000;
constexpr size_t kGrowth = 32768;

// The table follows G.711 (as in Sun's reference decoder): after complementing, a set top
// bit is a negative sample, so 0x80 decodes to +32124 and 0x00 to -32124.
struct TMuLawTable {
  int16_t Value[256];
  TMuLawTable() {
    for (int byte = 0; byte < 256; ++byte) {
      const int u = ~byte & 0xFF;
      const int t = ((u & 15) * 8 + 132) << ((u & 112) >> 4);
      Value[byte] = int16_t(u & 0x80 ? 132 - t : t - 132);
    }
  }
};

void PutSample(std::vector<uint8_t>& out, uint8_t low, uint8_t high) {
  out.push_back(low);
  out.push_back(high);
}

}  // namespace

int16_t MuLawToLinear(uint8_t value) {
  static const TMuLawTable table;
  return table.Value[value];
}

TSoundProcessor::TSoundProcessor(TSoundKind kind)
    : FKind(kind), FHeaderWanted(kind == TSoundKind::Au ? kAuFixedHeader : kRaw8Header) {}

uint32_t TSoundProcessor::HeaderWord(size_t offset) const {
  return uint32_t(FHeader[offset]) << 24 | uint32_t(FHeader[offset + 1]) << 16 |
         uint32_t(FHeader[offset + 2]) << 8 | FHeader[offset + 3];
}

uint32_t TSoundProcessor::Encoding() const {
  return FKind == TSoundKind::Au && FHeaderFilled >= kAuFieldsEnd ? HeaderWord(12) : 0;
}

size_t TSoundProcessor::Write(const uint8_t* data, size_t count) {
  size_t used = 0;
  while (FHeaderFilled < FHeaderWanted && used < count) {
    const size_t take = size_t(std::min<uint64_t>(count - used, FHeaderWanted - FHeaderFilled));
    if (FHeaderFilled < FHeader.size()) {
      const size_t stored = std::min<size_t>(take, FHeader.size() - size_t(FHeaderFilled));
      std::memcpy(FHeader.data() + FHeaderFilled, data + used, stored);
    }
    FHeaderFilled += take;
    used += take;
    if (FKind == TSoundKind::Au && FHeaderWanted == kAuFixedHeader &&
        FHeaderFilled == kAuFixedHeader) {
      // The data offset; a smaller one than the fixed fields would leave them unread.
      FHeaderWanted = std::max<uint64_t>(HeaderWord(4), kAuFieldsEnd);
    }
  }
  if (used == count && FLeftover.empty()) return count;

  std::vector<uint8_t> input;
  input.reserve(FLeftover.size() + count - used);
  input.insert(input.end(), FLeftover.begin(), FLeftover.end());
  input.insert(input.end(), data + used, data + count);
  std::vector<uint8_t> pcm;
  const size_t consumed = Decode(input.data(), input.size(), pcm);
  AppendPcm(pcm);
  FLeftover.assign(input.begin() + consumed, input.end());
  return count;
}

size_t TSoundProcessor::Decode(const uint8_t* input, size_t size, std::vector<uint8_t>& out) {
  return FKind == TSoundKind::Au ? DecodeAu(input, size, out) : DecodeRaw8(input, size, out);
}

size_t TSoundProcessor::DecodeAu(const uint8_t* input, size_t size, std::vector<uint8_t>& out) {
  const uint32_t encoding = HeaderWord(12);
  const uint32_t rate = HeaderWord(16);
  const uint32_t channels = HeaderWord(20);
  const uint16_t bits = encoding == 2 ? 8 : 16;
  FFormat = TWaveFormat::Pcm(rate, bits, uint16_t(channels));
  switch (encoding) {
    case 1:
      out.reserve(size * 2);
      for (size_t i = 0; i < size; ++i) {
        const uint16_t v = uint16_t(MuLawToLinear(input[i]));
        PutSample(out, uint8_t(v), uint8_t(v >> 8));
      }
      return size;
    case 2:
      // AU samples are signed, wave 8-bit samples are unsigned around 128.
      out.reserve(size);
      for (size_t i = 0; i < size; ++i) out.push_back(uint8_t(input[i] ^ 0x80));
      return size;
    case 3:
    case 4:
    case 5: {
      const size_t width = encoding - 1;  // bytes per sample
      const size_t samples = size / width;
      out.reserve(samples * 2);
      for (size_t i = 0; i < samples; ++i) {
        PutSample(out, input[i * width + 1], input[i * width]);
      }
      return samples * width;
    }
    default:
      FFailed = true;
      return size;
  }
}

size_t TSoundProcessor::DecodeRaw8(const uint8_t* input, size_t size, std::vector<uint8_t>& out) {
  FFormat = TWaveFormat::Pcm(8000, 16, 1);
  if (size >= kRaw8Samples) {
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) PutSample(out, 0, input[i]);
    return size;
  }
  // A short part is stretched to one second: sample i comes from byte i * size / 8000,
  // rounded to the nearest index, halves to even.
  out.reserve(kRaw8Samples * 2);
  for (size_t i = 0; i < kRaw8Samples; ++i) {
    const size_t scaled = i * size;
    size_t index = scaled / kRaw8Samples;
    const size_t rest = scaled % kRaw8Samples;
    if (rest * 2 > kRaw8Samples || (rest * 2 == kRaw8Samples && index % 2 == 1)) ++index;
    PutSample(out, 0, input[std::min(index, size - 1)]);
  }
  return size;
}

void TSoundProcessor::AppendPcm(const std::vector<uint8_t>& pcm) {
  if (pcm.empty()) return;
  if (FEnd + pcm.size() > FPcm.size()) {
    // Keep only what has not been read; positions stay continuous through the base offset.
    const size_t keepFrom = size_t(std::clamp<int64_t>(FReadPos, 0, int64_t(FEnd)));
    std::vector<uint8_t> fresh(FEnd - keepFrom + pcm.size() + kGrowth);
    std::copy(FPcm.begin() + keepFrom, FPcm.begin() + FEnd, fresh.begin());
    FPcm.swap(fresh);
    FEnd -= keepFrom;
    FBase += int64_t(keepFrom);
    FReadPos -= int64_t(keepFrom);
  }
  std::copy(pcm.begin(), pcm.end(), FPcm.begin() + FEnd);
  FEnd += pcm.size();
}

size_t TSoundProcessor::Read(uint8_t* buffer, size_t count) {
  if (FReadPos < 0 || FReadPos > int64_t(FEnd)) {
    throw ESoundRead("Read outside of current buffer area in TSoundProcessor.Read");
  }
  const size_t n = std::min(count, FEnd - size_t(FReadPos));
  if (n > 0) std::memcpy(buffer, FPcm.data() + FReadPos, n);
  FReadPos += int64_t(n);
  return n;
}

int64_t TSoundProcessor::Seek(int64_t offset, TSeekOrigin origin) {
  const int64_t from = origin == TSeekOrigin::Current ? Position()
                       : origin == TSeekOrigin::End   ? Size()
                                                      : 0;
  // Saturate rather than overflow: a wild offset just lands outside the buffer.
  int64_t target = 0;
  if (__builtin_add_overflow(from, offset, &target)) {
    target = offset < 0 ? INT64_MIN / 2 : INT64_MAX / 2;
  }
  FReadPos = target - FBase;
  return target;
}

}  // namespace vexilon
