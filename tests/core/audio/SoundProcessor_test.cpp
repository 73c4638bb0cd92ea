#include "core/audio/SoundProcessor.h"

#include <gtest/gtest.h>

#include <string>

namespace vexilon {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes AuHeader(uint32_t encoding, uint32_t rate, uint32_t channels, uint32_t offset = 24) {
  TBytes h = {'.', 's', 'n', 'd'};
  for (uint32_t v : {offset, 0xFFFFFFFFu, encoding, rate, channels}) {
    for (int shift = 24; shift >= 0; shift -= 8) h.push_back(uint8_t(v >> shift));
  }
  h.resize(std::clamp<size_t>(offset, 24, 64), 'A');  // annotation bytes
  return h;
}

TBytes Cat(TBytes a, const TBytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TBytes ReadAll(TSoundProcessor& p) {
  TBytes out(p.Unread());
  out.resize(p.Read(out.data(), out.size()));
  return out;
}

// Writes stream in two pieces split at split; answers the PCM.
TBytes DecodeSplit(TSoundKind kind, const TBytes& stream, size_t split) {
  TSoundProcessor p(kind);
  EXPECT_EQ(p.Write(stream.data(), split), split);
  EXPECT_EQ(p.Write(stream.data() + split, stream.size() - split), stream.size() - split);
  return ReadAll(p);
}

TEST(SoundProcessor, MuLawFollowsG711) {
  const std::pair<uint8_t, int16_t> cases[] = {
      {0xFF, 0},    {0x7F, 0},   {0x80, 32124}, {0x00, -32124}, {0xEF, 132},
      {0x6F, -132}, {0xD5, 716}, {0x55, -716},  {0xFE, 8},      {0x7E, -8},
  };
  for (const auto& [byte, value] : cases) EXPECT_EQ(MuLawToLinear(byte), value) << int(byte);
}

struct TAuCase {
  uint32_t Encoding;
  TBytes Data;
  TBytes Pcm;
  uint16_t Bits;
};

TEST(SoundProcessor, AuEncodingsDecodeAtEverySplit) {
  const TAuCase cases[] = {
      {1, {0xFF, 0x80, 0x00, 0xEF}, {0x00, 0x00, 0x7C, 0x7D, 0x84, 0x82, 0x84, 0x00}, 16},
      {2, {0x00, 0x7F, 0x80, 0xFF}, {0x80, 0xFF, 0x00, 0x7F}, 8},
      {3, {0x12, 0x34, 0xAB, 0xCD, 0x01}, {0x34, 0x12, 0xCD, 0xAB}, 16},
      {4, {0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF, 0x01, 0x02}, {0x34, 0x12, 0xCD, 0xAB}, 16},
      {5, {0x12, 0x34, 0x56, 0x78, 0xAB, 0xCD, 0xEF, 0x00, 0x01}, {0x34, 0x12, 0xCD, 0xAB}, 16},
  };
  for (const TAuCase& c : cases) {
    for (uint32_t offset : {24u, 32u}) {
      SCOPED_TRACE(testing::Message() << "encoding " << c.Encoding << " offset " << offset);
      const TBytes stream = Cat(AuHeader(c.Encoding, 11025, 2, offset), c.Data);
      for (size_t split = 0; split <= stream.size(); ++split)
        EXPECT_EQ(DecodeSplit(TSoundKind::Au, stream, split), c.Pcm) << "split " << split;
      // One byte at a time, read as it comes: a sample split across writes loses no byte.
      TSoundProcessor p(TSoundKind::Au);
      TBytes pcm;
      for (const uint8_t byte : stream) {
        p.Write(&byte, 1);
        pcm = Cat(pcm, ReadAll(p));
      }
      EXPECT_EQ(pcm, c.Pcm);
      EXPECT_EQ(p.WaveFormat(), TWaveFormat::Pcm(11025, c.Bits, 2));
    }
  }
}

TEST(SoundProcessor, OddHeadersNeitherStoreNorMisreadTheSound) {
  TSoundProcessor unknown(TSoundKind::Au);
  const TBytes stream = Cat(AuHeader(27, 8000, 1), TBytes(100, 0x55));
  EXPECT_EQ(unknown.Write(stream.data(), stream.size()), stream.size());
  EXPECT_TRUE(unknown.Failed());
  EXPECT_EQ(unknown.Encoding(), 27u);
  EXPECT_EQ(unknown.Unread(), 0u);

  // A huge data offset is skipped, not stored.
  TSoundProcessor far(TSoundKind::Au);
  const TBytes header = AuHeader(1, 8000, 1, 0xFFFFFFF0u);
  far.Write(header.data(), 24);
  const TBytes block(1 << 20, 0x80);
  for (int i = 0; i < 8; ++i) far.Write(block.data(), block.size());
  EXPECT_EQ(far.Unread(), 0u);

  // A data offset inside the fixed fields still has them read.
  TSoundProcessor near(TSoundKind::Au);
  const TBytes shortHead = Cat(AuHeader(1, 8000, 1, 8), {0xFF, 0xFF});
  near.Write(shortHead.data(), shortHead.size());
  EXPECT_EQ(near.WaveFormat(), TWaveFormat::Pcm(8000, 16, 1));
  EXPECT_EQ(near.Unread(), 4u);
}

TEST(SoundProcessor, RawPartsSkipTheHeaderTheFirstStretchesToOneSecond) {
  TBytes part(200);
  for (size_t k = 0; k < part.size(); ++k) part[k] = uint8_t(k);
  const TBytes stream = Cat(TBytes(28, 0xEE), part);
  for (size_t split : {size_t(0), size_t(13), size_t(28), size_t(29), stream.size()}) {
    const TBytes pcm = DecodeSplit(TSoundKind::Raw8, stream, split);
    if (split > 28 && split < stream.size()) {
      ASSERT_EQ(pcm.size(), 2u * 16000);  // two writes, each stretched to a second
      continue;
    }
    ASSERT_EQ(pcm.size(), 16000u) << split;
    // Sample i comes from byte i / 40 rounded, halves to even; 199.5 is capped at the last
    // byte. Each sample is a byte in the high half of a 16-bit word.
    const std::pair<size_t, uint8_t> samples[] = {{0, 0},      {19, 0},    {20, 0},  {21, 1},
                                                  {60, 2},     {100, 2},   {140, 4}, {7979, 199},
                                                  {7980, 199}, {7999, 199}};
    for (const auto& [i, byte] : samples) {
      EXPECT_EQ(pcm[2 * i], 0) << i;
      EXPECT_EQ(pcm[2 * i + 1], byte) << i;
    }
  }
  // Later parts have no header and play at their own length: 4000 bytes for a second.
  TSoundProcessor p(TSoundKind::Raw8);
  EXPECT_EQ(p.WaveFormat(), TWaveFormat());
  p.Write(stream.data(), stream.size());
  EXPECT_EQ(p.WaveFormat(), TWaveFormat::Pcm(8000, 16, 1));
  const TBytes second(4000, 2), longer(9000, 3);
  p.Write(second.data(), second.size());
  EXPECT_EQ(p.Unread(), 32000u);
  p.Write(longer.data(), longer.size());
  EXPECT_EQ(p.Unread(), 32000u + 18000u);
}

TEST(SoundProcessor, ReadSeekAndPositionsSurviveBufferGrowth) {
  TSoundProcessor p(TSoundKind::Au);
  const TBytes header = AuHeader(2, 8000, 1);
  p.Write(header.data(), header.size());
  TBytes data(30000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
  int64_t written = 0;
  TBytes got(1000);
  for (int round = 0; round < 6; ++round) {
    p.Write(data.data(), data.size());
    written += int64_t(data.size());
    EXPECT_EQ(p.Size(), written);
    const int64_t before = p.Position();
    ASSERT_EQ(p.Read(got.data(), got.size()), got.size());
    EXPECT_EQ(p.Position(), before + 1000);
    EXPECT_EQ(got[0], uint8_t((before % 30000) * 7) ^ 0x80);
  }
  const int64_t back = p.Position() - 10;
  EXPECT_EQ(p.Seek(-10, TSeekOrigin::Current), back);
  TBytes again(10);
  EXPECT_EQ(p.Read(again.data(), 10), 10u);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), got.end() - 10));
  EXPECT_EQ(p.Seek(0, TSeekOrigin::End), written);
  EXPECT_EQ(p.Read(again.data(), 10), 0u);
  for (int64_t outside : {written + 1, int64_t(0)}) {
    p.Seek(outside, TSeekOrigin::Beginning);
    try {
      p.Read(again.data(), 1);
      ADD_FAILURE() << "read at " << outside;
    } catch (const ESoundRead& e) {
      EXPECT_STREQ(e.what(), "Read outside of current buffer area in TSoundProcessor.Read");
    }
  }
}

TEST(WaveFormat, EighteenLittleEndianBytes) {
  const TWaveFormat f = TWaveFormat::Pcm(44100, 16, 2);
  const auto b = f.Bytes();
  EXPECT_EQ(TBytes(b.begin(), b.end()),
            (TBytes{1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0, 0, 0}));
  EXPECT_EQ(TWaveFormat::FromBytes(b.data(), b.size()), f);
  TWaveFormat partial = TWaveFormat::FromBytes(b.data(), 4);
  EXPECT_EQ(partial.Channels, 2);
  EXPECT_EQ(partial.SamplesPerSec, 0u);
}

}  // namespace
}  // namespace vexilon
