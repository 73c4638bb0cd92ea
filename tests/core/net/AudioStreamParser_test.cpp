#include "core/net/AudioStreamParser.h"

#include <gtest/gtest.h>

#include "support/RecordingSink.h"

namespace vexilon {
namespace {

std::string AuStream(uint32_t encoding, const std::string& data) {
  std::string s = ".snd";
  for (uint32_t v : {24u, 0xFFFFFFFFu, encoding, 8000u, 1u}) {
    for (int shift = 24; shift >= 0; shift -= 8) s += char(v >> shift);
  }
  return s + data;
}

// 16-bit big-endian samples 0, 1, 2, ...
std::string Samples(size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += {char(i >> 8), char(i)};
  return s;
}

const std::string kAuHead = "HTTP/1.0 200 OK\r\nContent-Type: audio/basic\r\n\r\n";
const std::string kPushHead =
    "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=snd\r\n\r\n";

std::string Decode(const std::string& au) {
  TSoundProcessor p(TSoundKind::Au);
  p.Write(reinterpret_cast<const uint8_t*>(au.data()), au.size());
  std::string pcm(p.Unread(), '\0');
  p.Read(reinterpret_cast<uint8_t*>(pcm.data()), pcm.size());
  return pcm;
}

TEST(AudioStreamParser, SoundStreamsAtEverySplit) {
  const std::string au = AuStream(3, Samples(3000));  // 6024 bytes
  const struct {
    const char* Name;
    std::string Stream;
    std::string Sound;  // what must reach the decoder
  } cases[] = {
      {"plain", kAuHead + au, au},
      // The hyphen before a marker stays with the sound, as the line break does with a
      // picture; the line break after the last marker is flushed at the close.
      {"parts by marker",
       kPushHead + "--snd\r\n\r\n" + au.substr(0, 2000) + "--snd\r\n\r\n" + au.substr(2000) +
           "--snd\r\n",
       au.substr(0, 2000) + "-" + au.substr(2000) + "-\r\n"},
      {"parts by length",
       kPushHead + "--snd\r\nContent-Length: 2001\r\n\r\n" + au.substr(0, 2001) +
           "\r\n--snd\r\nCONTENT-LENGTH: " + std::to_string(au.size() - 2001) + "\r\n\r\n" +
           au.substr(2001),
       au},
      {"chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1000\r\n" + au.substr(0, 4096) +
           "\r\n788\r\n" + au.substr(4096) + "\r\n",
       au},
  };
  for (const auto& c : cases) {
    const std::string pcm = Decode(c.Sound);
    for (size_t split = 0; split <= c.Stream.size(); split += 7) {
      SCOPED_TRACE(testing::Message() << c.Name << " split " << split);
      TRecordingSink sink;
      TAudioStreamParser parser(sink);
      parser.Connected();
      EXPECT_EQ(parser.Feed(c.Stream.data(), split), TParseResult::Continue);
      EXPECT_EQ(parser.Feed(c.Stream.data() + split, c.Stream.size() - split),
                TParseResult::Continue);
      parser.Disconnected(false);
      // Blocks go out once more than 2048 bytes are decoded; the rest waits for more sound.
      ASSERT_FALSE(sink.Audio.empty());
      EXPECT_EQ(sink.Audio, pcm.substr(0, sink.Audio.size()));
      EXPECT_GE(sink.Audio.size() + 2048, pcm.size());
      EXPECT_EQ(sink.Events[0], 'F');
      EXPECT_EQ(std::count(sink.Events.begin(), sink.Events.end(), 'F'), 1);
      ASSERT_EQ(sink.Formats.size(), 1u);
      EXPECT_EQ(sink.Formats[0], TWaveFormat::Pcm(8000, 16, 1));
    }
  }
}

TEST(AudioStreamParser, EveryConnectionStartsANewDecoderAndFormat) {
  TRecordingSink sink;
  TAudioStreamParser parser(sink);
  const std::string stream = kAuHead + AuStream(1, std::string(1500, '\xFF'));
  for (int i = 0; i < 2; ++i) {
    parser.Connected();
    parser.Feed(stream.data(), stream.size());
    parser.Disconnected(false);
  }
  EXPECT_EQ(sink.Events, "FAFA");
  EXPECT_EQ(sink.Audio, std::string(6000, '\0'));
}

TEST(AudioStreamParser, AnUnknownEncodingIsReportedOnceHoweverManyReceivesItTakes) {
  TRecordingSink sink;
  TAudioStreamParser parser(sink);
  parser.Connected();
  const std::string stream = "HTTP/1.0 200 OK\r\n\r\n" + AuStream(27, std::string(5000, 'x'));
  for (size_t at = 0; at < stream.size(); at += 1000)
    parser.Feed(stream.data() + at, std::min<size_t>(1000, stream.size() - at));
  EXPECT_EQ(sink.PageText, "HTTP/1.0 200 OK\r\n\r\n\r\nSound encoding 27 is not supported");
  EXPECT_TRUE(sink.Audio.empty());
}

}  // namespace
}  // namespace vexilon
