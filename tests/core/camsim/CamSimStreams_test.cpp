// Every framing camsim serves, read by the viewer's own stream parsers.
#include <gtest/gtest.h>

#include <cmath>

#include "core/net/AudioStreamParser.h"
#include "core/net/VideoStreamParser.h"
#include "support/CamSim.h"
#include "support/StreamFetch.h"

namespace vexilon {
namespace {

constexpr int kAuto = 0, kVod = 2, kHtml = 4, kWebcam32 = 6;
using std::chrono::milliseconds;

class CamSimStreams : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Sim = new TCamSim({"--size", "160x120", "--fps", "50", "--loop", "1"});
  }
  static void TearDownTestSuite() { delete Sim; }
  void SetUp() override { ASSERT_TRUE(Sim->Started()) << Sim->Error(); }
  static int Port() { return Sim->Port(); }

  static TCamSim* Sim;
};
TCamSim* CamSimStreams::Sim = nullptr;

TEST_F(CamSimStreams, EveryFramingGivesWholePicturesOfTheRightSize) {
  const std::string absolute = "http://127.0.0.1:" + std::to_string(Port());
  const struct {
    const char* Name;
    std::string Request;
    int Flags;
    int Width = 160, Height = 120;
  } cases[] = {
      {"push with lengths", GetRequest("/push"), kAuto},
      {"push by boundary", GetRequest("/push?nolength"), kAuto},
      {"push read as html", GetRequest("/push?nolength"), kHtml},
      {"tagged", GetRequest("/tagged"), kAuto},
      {"vod", GetRequest("/vod"), kVod},
      {"webcam32", GetRequest("/cam32"), kWebcam32},
      {"webcam32 without head", GetRequest("/cam32?nohead"), kWebcam32},
      // The viewer's default request names the server even without a proxy.
      {"absolute target", GetRequest(absolute + "/push"), kAuto},
      {"size per request", GetRequest("/vod?size=64x48"), kVod, 64, 48},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TVideoFetch fetch = FetchVideo(Port(), c.Request, c.Flags, 4);
    EXPECT_EQ(fetch.Outcome.Result, TParseResult::Continue);
    ASSERT_EQ(fetch.Sink.Frames.size(), 4u) << fetch.Sink.PageText;
    for (const std::string& frame : fetch.Sink.Frames) {
      EXPECT_TRUE(IsJpegOfSize(frame, c.Width, c.Height));
    }
    EXPECT_NE(fetch.Sink.Frames[1], fetch.Sink.Frames[2]) << "the pictures should move";
  }
}

TEST_F(CamSimStreams, TaggedSoundIsOneSecondOfEightBitSoundEachSecond) {
  const TVideoFetch fetch = FetchVideo(Port(), GetRequest("/tagged?sound"), kAuto, 3);
  ASSERT_EQ(fetch.Sink.Frames.size(), 3u);
  EXPECT_TRUE(IsJpegOfSize(fetch.Sink.Frames[0], 160, 120));
  ASSERT_EQ(fetch.Sink.Formats.size(), 1u);
  EXPECT_EQ(fetch.Sink.Formats[0], TWaveFormat::Pcm(8000, 16, 1));
  // One part before the first picture: 8000 samples, each its byte as the high byte.
  ASSERT_EQ(fetch.Sink.Audio.size(), 16000u);
  int peak = 0, crossings = 0;
  int16_t previous = 0;
  for (std::size_t i = 0; i < fetch.Sink.Audio.size(); i += 2) {
    EXPECT_EQ(fetch.Sink.Audio[i], 0);
    const int16_t sample = int16_t(uint8_t(fetch.Sink.Audio[i]) | fetch.Sink.Audio[i + 1] << 8);
    peak = std::max(peak, std::abs(int(sample)));
    crossings += (previous < 0) != (sample < 0);
    previous = sample;
  }
  EXPECT_EQ(peak, 48 << 8);
  EXPECT_NEAR(crossings, 880, 10);  // 440 Hz
}

TEST_F(CamSimStreams, PagesChangeWithEveryReading) {
  const TVideoFetch first = FetchVideo(Port(), GetRequest("/page.html"), kHtml, 2);
  const TVideoFetch second = FetchVideo(Port(), GetRequest("/page.html"), kHtml, 2);
  ASSERT_EQ(first.Sink.Frames.size(), 1u);
  ASSERT_EQ(second.Sink.Frames.size(), 1u);
  EXPECT_NE(first.Sink.Frames[0], second.Sink.Frames[0]);
  EXPECT_NE(first.Sink.Frames[0].find("Weather station"), std::string::npos);

  const TVideoFetch push = FetchVideo(Port(), GetRequest("/htmlpush?fps=20"), kHtml, 3);
  ASSERT_EQ(push.Sink.Frames.size(), 3u);
  EXPECT_NE(push.Sink.Frames[1], push.Sink.Frames[2]);
  for (const std::string& page : push.Sink.Frames) {
    EXPECT_TRUE(page.starts_with("<html>")) << page;
  }
}

TEST_F(CamSimStreams, PicturesComeInRealTime) {
  const auto start = std::chrono::steady_clock::now();
  const TVideoFetch fetch = FetchVideo(Port(), GetRequest("/vod?fps=20"), kVod, 9);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(fetch.Sink.Frames.size(), 9u);
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
    // 0.6 s of sound: pieces of 0.2 s, the first at once.
    FeedParser(
        client, parser, [&] { return sink.Audio.size() >= 9600; }, milliseconds(3000));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_GE(sink.Audio.size(), 9600u);
    EXPECT_GE(elapsed, milliseconds(350));
    ASSERT_FALSE(sink.Formats.empty());
    EXPECT_EQ(sink.Formats[0], TWaveFormat::Pcm(8000, 16, 1));

    int peak = 0, crossings = 0;
    int16_t previous = 0;
    for (std::size_t i = 0; i + 1 < 9600; i += 2) {
      const int16_t sample = int16_t(uint8_t(sink.Audio[i]) | sink.Audio[i + 1] << 8);
      peak = std::max(peak, std::abs(int(sample)));
      crossings += (previous < 0) != (sample < 0);
      previous = sample;
    }
    EXPECT_NEAR(peak, 8000, 400);
    EXPECT_NEAR(crossings, 528, 12);  // 440 Hz for 0.6 s
  }
}

}  // namespace
}  // namespace vexilon
