// What camsim serves beyond plain pictures (read by the viewer's own stream parsers): sound,
// pages and real-time pacing. Its picture framings are read by connection threads in
// e2e/ThreadsCamSim_test.cpp.
#include <gtest/gtest.h>

#include <cmath>

#include "core/catalogue/WebConnect.h"
#include "core/net/AudioStreamParser.h"
#include "core/net/VideoStreamParser.h"
#include "support/CamSim.h"
#include "support/TestClient.h"

namespace vexilon {
namespace {

constexpr int kAuto = int(TStreamFormat::Auto), kVod = int(TStreamFormat::Vod),
              kHtml = int(TStreamFormat::Html);
using std::chrono::milliseconds;

using CamSimStreams = TCamSimTest;

// Peak and sign changes of the first bytes of 16-bit little-endian sound.
struct TTone {
  int Peak = 0, Crossings = 0;
};
TTone Measure(const std::string& pcm, std::size_t bytes) {
  TTone tone;
  int16_t previous = 0;
  for (std::size_t i = 0; i + 1 < bytes; i += 2) {
    const int16_t sample = int16_t(uint8_t(pcm[i]) | pcm[i + 1] << 8);
    tone.Peak = std::max(tone.Peak, std::abs(int(sample)));
    tone.Crossings += (previous < 0) != (sample < 0);
    previous = sample;
  }
  return tone;
}

TEST_F(CamSimStreams, TaggedSoundIsOneSecondOfEightBitSoundEachSecond) {
  const TRecordingSink fetch = FetchVideo(Port(), GetRequest("/tagged?sound"), kAuto, 3);
  ASSERT_EQ(fetch.Frames.size(), 3u);
  // One part before the first picture: 8000 samples, each its byte as the high byte.
  ASSERT_EQ(fetch.Audio.size(), 16000u);
  const TTone tone = Measure(fetch.Audio, fetch.Audio.size());
  EXPECT_EQ(tone.Peak, 48 << 8);
  EXPECT_NEAR(tone.Crossings, 880, 10);  // 440 Hz
}

TEST_F(CamSimStreams, PagesChangeWithEveryReading) {
  const TRecordingSink first = FetchVideo(Port(), GetRequest("/page.html"), kHtml, 2);
  const TRecordingSink second = FetchVideo(Port(), GetRequest("/page.html"), kHtml, 2);
  ASSERT_EQ(first.Frames.size(), 1u);
  ASSERT_EQ(second.Frames.size(), 1u);
  EXPECT_NE(first.Frames[0], second.Frames[0]);
  EXPECT_NE(first.Frames[0].find("Weather station"), std::string::npos);

  const TRecordingSink push = FetchVideo(Port(), GetRequest("/htmlpush?fps=20"), kHtml, 3);
  ASSERT_EQ(push.Frames.size(), 3u);
  EXPECT_NE(push.Frames[1], push.Frames[2]);
  for (const std::string& page : push.Frames) {
    EXPECT_TRUE(page.starts_with("<html>")) << page;
  }
}

TEST_F(CamSimStreams, PicturesComeInRealTime) {
  const auto start = std::chrono::steady_clock::now();
  const TRecordingSink fetch = FetchVideo(Port(), GetRequest("/vod?fps=20"), kVod, 9);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(fetch.Frames.size(), 9u);
  // The first picture at once, then one each 50 ms.
  EXPECT_GE(elapsed, milliseconds(380));
  EXPECT_LT(elapsed, milliseconds(1500));
}

TEST_F(CamSimStreams, AuSoundIsATwoToneChimeInRealTime) {
  for (const char* target : {"/sound.au?ulaw", "/sound.au?pcm16", "/sound.au?pcm16&multipart"}) {
    SCOPED_TRACE(target);
    TTestClient client(Port());
    ASSERT_TRUE(client.Send(GetRequest(target)));
    TRecordingSink sink;
    TAudioStreamParser parser(sink);
    parser.Connected();
    const auto start = std::chrono::steady_clock::now();
    // 0.4 s of sound: pieces of 0.2 s, the first at once.
    FeedParser(
        client, parser, [&] { return sink.Audio.size() >= 6400; }, milliseconds(3000));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_GE(sink.Audio.size(), 6400u);
    EXPECT_GE(elapsed, milliseconds(150));
    ASSERT_FALSE(sink.Formats.empty());
    EXPECT_EQ(sink.Formats[0], TWaveFormat::Pcm(8000, 16, 1));
    const TTone tone = Measure(sink.Audio, 6400);
    EXPECT_NEAR(tone.Peak, 8000, 400);
    EXPECT_NEAR(tone.Crossings, 352, 10);  // 440 Hz for 0.4 s
  }
}

}  // namespace
}  // namespace vexilon
