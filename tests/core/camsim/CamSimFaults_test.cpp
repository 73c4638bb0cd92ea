// The faults camsim injects on request, as the viewer's parser sees them.
#include <gtest/gtest.h>

#include "core/net/VideoStreamParser.h"
#include "support/CamSim.h"
#include "support/StreamFetch.h"

namespace vexilon {
namespace {

constexpr int kAuto = 0, kVod = 2, kWebcam32 = 6;
using std::chrono::milliseconds;

using CamSimFaults = TCamSimTest;

TEST_F(CamSimFaults, CloseAfterNPictures) {
  const struct {
    const char* Target;
    int Flags;
  } cases[] = {{"/push?close=3", kAuto},
               // The last picture has no delimiter after it: the close hands it on.
               {"/push?nolength&close=3", kAuto},
               {"/tagged?close=3", kAuto},
               {"/vod?close=3", kVod},
               {"/cam32?close=3", kWebcam32}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Target);
    const TVideoFetch fetch = FetchVideo(Port(), GetRequest(c.Target), c.Flags, 100);
    EXPECT_TRUE(fetch.Outcome.Closed);
    ASSERT_EQ(fetch.Sink.Frames.size(), 3u);
    EXPECT_TRUE(IsJpegOfSize(fetch.Sink.Frames[2], 160, 120));
  }
}

TEST_F(CamSimFaults, StallKeepsTheConnectionOpenWithoutSending) {
  TTestClient client(Port());
  ASSERT_TRUE(client.Send(GetRequest("/push?stall=2")));
  TRecordingSink sink;
  TVideoStreamParser parser(sink, kAuto);
  parser.Connected();
  FeedParser(
      client, parser, [&] { return sink.Frames.size() >= 2; }, milliseconds(2000));
  ASSERT_EQ(sink.Frames.size(), 2u);
  // Fifteen picture times of silence.
  const TFeedOutcome after = FeedParser(
      client, parser, [] { return false; }, milliseconds(300));
  EXPECT_EQ(after.Bytes, 0u);
  EXPECT_FALSE(after.Closed);
  EXPECT_EQ(sink.Frames.size(), 2u);
}

TEST_F(CamSimFaults, PartsThatNeverEndKeepSendingWithoutAFrame) {
  for (const char* target : {"/push?nolength&endless=2", "/push?endless=2", "/tagged?endless=2"}) {
    SCOPED_TRACE(target);
    TTestClient client(Port());
    ASSERT_TRUE(client.Send(GetRequest(target)));
    TRecordingSink sink;
    TVideoStreamParser parser(sink, kAuto);
    parser.Connected();
    FeedParser(
        client, parser, [&] { return sink.Frames.size() >= 2; }, milliseconds(2000));
    ASSERT_EQ(sink.Frames.size(), 2u);
    // 64 KB of filler each picture time: a few times over the bound below.
    const TFeedOutcome after = FeedParser(
        client, parser, [] { return false; }, milliseconds(150));
    EXPECT_EQ(after.Result, TParseResult::Continue);
    EXPECT_GT(after.Bytes, 200000u);
    EXPECT_GT(parser.Held(), 200000u);
    EXPECT_EQ(sink.Frames.size(), 2u);
  }
}

// A failure status stops the stream; a part the viewer must not hold disconnects it.
TEST_F(CamSimFaults, FaultyAnswersEndTheStream) {
  const TStreamLimits small{256 << 10, 4 << 10};
  const struct {
    const char* Target;
    int Flags;
    TParseResult Result;
    const char* Head;  // how the head begins, for a failure status
    std::size_t Frames = 0;
  } cases[] = {
      {"/push?status=404", kAuto, TParseResult::Stop, "HTTP/1.0 404"},
      {"/push?status=500", kAuto, TParseResult::Stop, "HTTP/1.0 500"},
      {"/no/such/camera", kAuto, TParseResult::Stop, "HTTP/1.0 404"},
      {"/push?huge=1", kAuto, TParseResult::Disconnect, "", 1},
      {"/vod?huge=1", kVod, TParseResult::Disconnect, "", 1},
      {"/cam32?huge=1", kWebcam32, TParseResult::Disconnect, "", 1},
      {"/push?garbage", kAuto, TParseResult::Disconnect, ""},
      {"/tagged?garbage", kAuto, TParseResult::Disconnect, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Target);
    const TVideoFetch fetch =
        FetchVideo(Port(), GetRequest(c.Target), c.Flags, 100, milliseconds(3000), small);
    EXPECT_EQ(fetch.Outcome.Result, c.Result);
    EXPECT_TRUE(fetch.Sink.PageText.starts_with(c.Head)) << fetch.Sink.PageText;
    if (c.Result == TParseResult::Disconnect) {
      EXPECT_EQ(fetch.Sink.Frames.size(), c.Frames);
      EXPECT_EQ(fetch.Sink.Lines.size(), 1u);
    }
  }
  TTestClient client(Port());
  ASSERT_TRUE(client.Send(GetRequest("/still.jpg?huge")));
  const std::string answer = client.ReadAll(milliseconds(2000));
  EXPECT_NE(answer.find("Content-Length: 4294967295\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vexilon
