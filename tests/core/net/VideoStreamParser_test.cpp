#include "core/net/VideoStreamParser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <random>

#include "core/catalogue/WebConnect.h"
#include "core/net/SuffixItems.h"
#include "support/RecordingSink.h"

namespace vexilon {
namespace {

constexpr int kAuto = int(TStreamFormat::Auto), kVod = int(TStreamFormat::Vod),
              kHtml = int(TStreamFormat::Html), kWebcam32 = int(TStreamFormat::Webcam32);

// Picture-like bytes of the given size that hold no delimiter of the sample streams
// (no "-", "<", CR or LF); zero bytes included.
std::string Payload(size_t size, unsigned salt) {
  std::mt19937 random(salt);
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    do c = char(random());
    while (c == '-' || c == '<' || c == '\r' || c == '\n');
  }
  if (size >= 2) bytes[0] = '\xFF', bytes[1] = '\xD8';
  return bytes;
}

std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string Le32(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

std::string Chunked(const std::string& body, size_t piece) {
  std::string out;
  for (size_t at = 0; at < body.size(); at += piece) {
    const std::string part = body.substr(at, piece);
    char size[16];
    std::snprintf(size, sizeof size, "%zx", part.size());
    out += size + std::string("\r\n") + part + "\r\n";
  }
  return out;
}

const std::string J1 = Payload(200, 1), J2 = Payload(300, 2), Small = Payload(100, 3);
const std::string kOkHead = "HTTP/1.0 200 OK\r\n\r\n";
const std::string kPushHead =
    "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=myboundary\r\n\r\n";
const std::string kFfmpegHead =
    "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nTransfer-Encoding: "
    "chunked\r\n\r\n";
const std::string kFfmpegBody =
    "--ffmpeg\r\nContent-type: image/jpeg\r\nContent-length: 200\r\n\r\n" + J1 +
    "\r\n--ffmpeg\r\nContent-type: image/jpeg\r\nContent-length: "
    "300\r\n\r\n" +
    J2 + "\r\n--ffmpeg\r\nContent-type: image/jpeg\r\n";

struct TStreamCase {
  const char* Name;
  int Flags;
  std::string Head;  // all the page text shows
  std::string Body;
  std::vector<std::string> Frames;  // including what the close hands on
  bool Ends = false;                // the stream itself ends the connection
};

const std::vector<TStreamCase>& Cases() {
  const std::string dashHead =
      "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=--frame\r\n\r\n";
  const std::string tagAfterCr = "x\r<Simg>" + J1 + "<END>";
  static const std::vector<TStreamCase> cases = {
      {"push by marker",
       kAuto,
       kPushHead,
       "--myboundary\r\nContent-Type: image/jpeg\r\n\r\n" + J1 +
           "\r\n--myboundary\r\nContent-Type: image/jpeg\r\n\r\n" + Small +
           "\r\n--myboundary\r\n\r\n" + J2 + "\r\n--myboundary--\r\n",
       {J1 + "\r\n-", J2 + "\r\n-"}},
      {"push by marker, html",
       kHtml,
       kPushHead,
       "--myboundary\r\n\r\n" + J1 + "\r\n--myboundary\r\n\r\n" + J2 + "\r\n--myboundary\r\n",
       {J1 + "\r\n-", J2 + "\r\n-"}},
      {"push by length",
       kAuto,
       kPushHead,
       "--myboundary\r\ncontent-LENGTH:  200 \r\n\r\n" + J1 +
           "\r\n--myboundary\r\nContent-Length: 300\r\n\r\n" + J2 + "\r\n--myboundary\r\n",
       {J1, J2}},
      {"length with a plus sign",
       kAuto,
       kPushHead,
       "--myboundary\r\nContent-Length: +200\r\n\r\n" + J1 + "\r\n--myboundary\r\n",
       {J1}},
      {"line feeds only",
       kAuto,
       "HTTP/1.0 200 OK\nContent-Type: multipart/x-mixed-replace;boundary=b\n\n",
       "--b\nContent-Length: 200\n\n" + J1 + "\n--b\nContent-Length: 300\n\n" + J2,
       {J1, J2}},
      {"quoted boundary",
       kAuto,
       "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=\"q\"\r\n\r\n",
       "--q\r\n\r\n" + J1 + "\r\n--q\r\n",
       {J1 + "\r\n-"}},
      {"boundary declared with its dashes",
       kAuto,
       dashHead,
       "--frame\r\n\r\n" + J1 + "\r\n--frame\r\n\r\n" + J2 + "\r\n--frame\r\n",
       {J1 + "\r\n-", J2 + "\r\n-"}},
      {"boundary with dashes, delimited as declared",
       kAuto,
       dashHead,
       "----frame\r\n\r\n" + J1 + "\r\n----frame\r\n",
       {J1 + "\r\n---"}},
      {"tagged",
       kAuto,
       "",
       "<Simg>" + J1 + "<END><Simg>" + Small + "<END><Simg>" + J2 + "<END>",
       {J1, J2}},
      {"a tag after the first CR is page text", kAuto, tagAfterCr, "", {}},
      {"still picture", kAuto, "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n", J1, {J1}},
      {"html page",
       kHtml,
       "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n",
       "<html>" + std::string(150, 'x') + "</html>",
       {"<html>" + std::string(150, 'x') + "</html>"}},
      {"vod",
       kVod,
       kOkHead,
       "12345678" + Be32(200) + J1 + "abcdefgh" + Be32(100) + Small + std::string(8, '\0') +
           Be32(300) + J2,
       {J1, J2}},
      {"webcam32",
       kWebcam32,
       kOkHead,
       std::string("preamble\0", 9) + Le32(200) + J1 + Le32(0) + Le32(300) + J2,
       {J1, J2}},
      {"webcam32 without head",
       kWebcam32,
       "",
       std::string("pre\r\n\r\namble\0", 13) + Le32(200) + J1 + Le32(300) + J2,
       {J1, J2}},
      {"ffmpeg chunked, no boundary", kAuto, kFfmpegHead, Chunked(kFfmpegBody, 77), {J1, J2}},
      {"ffmpeg chunked with boundary",
       kAuto,
       "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=ffmpeg\r\n"
       "Transfer-Encoding: Chunked\r\n\r\n",
       Chunked(kFfmpegBody, 4096),
       {J1, J2}},
      {"sniffed boundary",
       kHtml,
       kOkHead,
       "--xyz\r\n\r\n" + J1 + "\r\n--xyz\r\n\r\n" + J2 + "\r\n--xyz--\r\n",
       {J1 + "\r\n-", J2 + "\r\n-"}},
      {"not a delimiter line", kAuto, kOkHead, "-- x\r\n" + J1, {"-- x\r\n" + J1}},
      {"the end of a chunked body ends the connection",
       kAuto,
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
       Chunked(J1, 50) + "0\r\n\r\n",
       {J1},
       true},
      {"unreadable length falls back to the marker",
       kAuto,
       kPushHead,
       "--myboundary\r\nContent-Length: 12a\r\n\r\n" + J1 + "\r\n--myboundary\r\n",
       {J1 + "\r\n-"}},
  };
  return cases;
}

struct TRun {
  TRecordingSink Sink;
  std::vector<TParseResult> Results;
};

// Feeds stream in pieces ending at the given offsets, then closes the connection.
void FeedStream(TRun& run, int flags, const std::string& stream, const std::vector<size_t>& cuts,
                TSuffixUse* use = nullptr) {
  TVideoStreamParser parser(run.Sink, flags);
  parser.SetSuffixUse(use);
  parser.Connected();
  size_t from = 0;
  for (size_t cut : cuts) {
    run.Results.push_back(parser.Feed(stream.data() + from, cut - from));
    from = cut;
  }
  run.Results.push_back(parser.Feed(stream.data() + from, stream.size() - from));
  parser.Disconnected(false);
}

TEST(VideoStreamParser, EveryFormatAtEverySplitAndByteByByteAndOnlyAnEndedBodyDisconnects) {
  for (const TStreamCase& c : Cases()) {
    const std::string stream = c.Head + c.Body;
    std::vector<size_t> everyByte(stream.size());
    std::iota(everyByte.begin(), everyByte.end(), 0);
    // The last round feeds one byte at a time.
    for (size_t split = 0; split <= stream.size() + 1; ++split) {
      SCOPED_TRACE(testing::Message() << c.Name << ", split at " << split);
      TRun run;
      FeedStream(run, c.Flags, stream,
                 split > stream.size() ? everyByte : std::vector<size_t>{split});
      ASSERT_EQ(run.Sink.Frames, c.Frames);
      EXPECT_EQ(run.Sink.PageText, c.Head);
      EXPECT_TRUE(run.Sink.Lines.empty());
      EXPECT_EQ(std::count(run.Results.begin(), run.Results.end(), TParseResult::Disconnect) > 0,
                c.Ends);
    }
  }
}

TEST(VideoStreamParser, FramesGoOutAsTheyCompleteAndAPausedCloseHandsNothingOn) {
  TRecordingSink sink;
  TVideoStreamParser parser(sink, kAuto);
  parser.Connected();
  const std::string stream = kPushHead + "--myboundary\r\n\r\n" + J1 + "\r\n--myboundary\r\n";
  EXPECT_EQ(parser.Feed(stream.data(), stream.size()), TParseResult::Continue);
  EXPECT_EQ(sink.Frames.size(), 1u);
  parser.Disconnected(false);
  // A paused close drops the still picture an ordinary close would hand on.
  parser.Connected();
  const std::string still = kOkHead + J1;
  parser.Feed(still.data(), still.size());
  parser.Disconnected(true);
  EXPECT_EQ(sink.Frames.size(), 1u);
  // A still picture with its length is complete there, though the server keeps the line open.
  parser.Connected();
  const std::string kept = "HTTP/1.1 200 OK\r\nContent-Length: 200\r\n\r\n" + J1;
  EXPECT_EQ(parser.Feed(kept.data(), kept.size() - 1), TParseResult::Continue);
  EXPECT_EQ(parser.Feed(kept.data() + kept.size() - 1, 1), TParseResult::Done);
  EXPECT_EQ(sink.Frames.back(), J1);
  parser.Disconnected(false);
  EXPECT_EQ(sink.Frames.size(), 2u);
}

TEST(VideoStreamParser, AMisbehavingCameraHoldsNoMoreThanItsLimitAndBigFramesAreLetGo) {
  TRecordingSink sink;
  TVideoStreamParser parser(sink, kAuto);
  parser.Connected();
  const std::string head = kPushHead + "--myboundary\r\n\r\n";
  parser.Feed(head.data(), head.size());
  const std::string filler(65536, 'x');
  size_t most = 0;
  TParseResult result = TParseResult::Continue;
  for (int i = 0; i < 1000 && result == TParseResult::Continue; ++i) {
    result = parser.Feed(filler.data(), filler.size());
    most = std::max(most, parser.Reserved());
  }
  EXPECT_EQ(result, TParseResult::Disconnect);  // a part that never ends
  EXPECT_LE(most, TStreamLimits().MaxBuffer + 2 * filler.size());
  // A large frame by its length, then everyday ones: the buffers shrink back.
  parser.Connected();
  const std::string big = Payload(8 << 20, 4);
  const std::string stream =
      kPushHead + "--myboundary\r\nContent-Length: " + std::to_string(big.size()) + "\r\n\r\n" +
      big + "\r\n--myboundary\r\nContent-Length: 200\r\n\r\n" + J1 + "\r\n--myboundary\r\n";
  for (size_t at = 0; at < stream.size(); at += filler.size())
    parser.Feed(stream.data() + at, std::min(filler.size(), stream.size() - at));
  EXPECT_EQ(sink.Frames.back(), J1);
  EXPECT_LT(parser.Reserved(), size_t(2) << 20);
}

TEST(VideoStreamParser, TheWebcamPreambleIsSkippedOnEveryConnectionPausedOrNot) {
  TRecordingSink sink;
  TVideoStreamParser parser(sink, kWebcam32);
  const std::string stream = kOkHead + std::string("pre\0", 4) + Le32(200) + J1;
  for (bool paused : {true, false, false}) {
    parser.Connected();
    parser.Feed(stream.data(), stream.size());
    parser.Disconnected(paused);
  }
  EXPECT_EQ(sink.Frames, std::vector<std::string>(3, J1));
}

TEST(VideoStreamParser, FailureStatusStopsAndExpiresTheSuffixItemYetTheBodyIsStillParsed) {
  const std::string page = "<html>" + std::string(200, 'n') + "</html>";
  const std::string refused = "HTTP/1.0 401 Unauthorized\r\n\r\n" + page;
  const struct {
    int Flags;
    std::string Stream;
    bool Stop;
  } cases[] = {
      {kHtml, "HTTP/1.0 404 Not Found\r\n\r\n" + page, true},
      {kHtml, "HTTP/1.1 500 Oops\r\n\r\n" + page, true},
      {kHtml, "HTTP/1.0 301 Moved\nLocation: x\n\n" + page, true},
      {kHtml, "HTTP/1.0\r\n\r\n" + page, true},
      {kHtml, "HTTP/1.0 204 Nothing\r\n\r\n" + page, false},
      {kHtml, "HTTP/1.0 200 OK\r\n\r\n" + page, false},
      // The page's first bytes read as a frame length far beyond any limit: still no
      // disconnect, so the camera is asked again at once.
      {kVod, refused, true},
      {kWebcam32, refused, true},
  };
  for (const auto& c : cases) {
    for (size_t split = 0; split <= c.Stream.size(); ++split) {
      SCOPED_TRACE(testing::Message() << c.Stream.substr(0, 20) << " split " << split);
      TSuffixItemList items;
      TSuffixItem& item = items.FindOrAdd("*HS,u");
      item.Expired = false;
      TSuffixUse use;
      use.LastItem = &item;
      TRun run;
      FeedStream(run, c.Flags, c.Stream, {split}, &use);
      const auto count = [&](TParseResult r) {
        return std::count(run.Results.begin(), run.Results.end(), r);
      };
      EXPECT_EQ(count(TParseResult::Stop) > 0, c.Stop);
      EXPECT_EQ(count(TParseResult::Disconnect), 0);
      // A refusal's item is left to the connection, which knows whether the refusal counts.
      EXPECT_EQ(item.Expired, c.Stop && c.Stream != refused);
      if (c.Flags == kHtml) {
        EXPECT_EQ(run.Sink.Frames, std::vector<std::string>{page});
      }
    }
  }
}

TEST(VideoStreamParser, EmbeddedSoundPlaysAsRaw8000HzParts) {
  const std::string sound1 = std::string(28, 'h') + std::string(4000, '\x10');
  const std::string sound2(4000, '\x20');
  const std::string stream =
      "<Ssnd>" + sound1 + "<END><Simg>" + J1 + "<END><Ssnd>" + sound2 + "<END>";
  for (size_t split = 0; split <= stream.size(); split += 97) {
    TRun run;
    FeedStream(run, kAuto, stream, {split});
    EXPECT_EQ(run.Sink.Frames, std::vector<std::string>{J1});
    EXPECT_EQ(run.Sink.Events, "FAA");
    ASSERT_EQ(run.Sink.Formats.size(), 1u);
    EXPECT_EQ(run.Sink.Formats[0], TWaveFormat::Pcm(8000, 16, 1));
    EXPECT_EQ(run.Sink.Blocks, (std::vector<size_t>{16000, 16000}));
    EXPECT_EQ(run.Sink.Audio.substr(0, 2), std::string("\0\x10", 2));
    EXPECT_EQ(run.Sink.Audio.substr(16000, 2), std::string("\0\x20", 2));
  }
}

TEST(VideoStreamParser, ProxyTunnelAnswerIsShownThenDropped) {
  TRecordingSink sink;
  TVideoStreamParser parser(sink, kAuto);
  parser.Connected();
  parser.AwaitTunnel();
  const std::string answer = "HTTP/1.0 200 Connection established\r\n";
  EXPECT_EQ(parser.Feed(answer.data(), answer.size()), TParseResult::Continue);
  EXPECT_EQ(sink.PageText, "HTTP/1.0 200 Connection established\r\n");
  EXPECT_EQ(parser.Feed("\r\nxyz", 5), TParseResult::TunnelOpen);
  EXPECT_EQ(parser.Held(), 0u);
  const std::string stream = kOkHead + J1;
  parser.Feed(stream.data(), stream.size());
  parser.Disconnected(false);
  EXPECT_EQ(sink.Frames, std::vector<std::string>{J1});
}

// Servers are untrusted: each of these ends the connection with a reason and holds nothing.
TEST(VideoStreamParser, BadServersAreDisconnected) {
  const TStreamLimits limits{size_t(64) << 10, 1024};
  const std::string flood(100000, 'x');
  const struct {
    const char* Name;
    int Flags;
    std::string Stream;
    const char* Reason;
  } cases[] = {
      {"marker never comes", kAuto, kPushHead + "--myboundary\r\n\r\n" + flood,
       "without completing a part"},
      {"tag end never comes", kAuto, "<Simg>" + flood, "without completing a part"},
      {"huge content length", kAuto,
       kPushHead + "--myboundary\r\nContent-Length: 99999999999999999999\r\n\r\n",
       "more than 65536 bytes"},
      {"content length over the limit", kHtml,
       kPushHead + "--myboundary\r\nContent-Length: 65537\r\n\r\n", "part of 65537 bytes"},
      {"negative content length", kAuto, kPushHead + "--myboundary\r\nContent-Length: -5\r\n\r\n",
       "negative length"},
      {"endless head", kAuto, "HTTP/1.0 200 OK\r\n" + flood, "head longer than 1024 bytes"},
      {"endless part head", kAuto, kPushHead + "--myboundary\r\n" + flood, "head longer"},
      {"huge vod frame", kVod, kOkHead + "12345678" + Be32(0xFFFFFFFF), "part of 4294967295"},
      {"negative webcam frame", kWebcam32, kOkHead + std::string(1, '\0') + Le32(0x80000000),
       "part of 2147483648"},
      {"no preamble end", kWebcam32, kOkHead + flood, "without completing a part"},
      {"still picture too big", kAuto, kOkHead + flood, "without completing a part"},
      {"broken chunks", kAuto, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcdeXX",
       "chunked"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRecordingSink sink;
    TVideoStreamParser parser(sink, c.Flags, limits);
    parser.Connected();
    TParseResult last = TParseResult::Continue;
    for (size_t at = 0; at < c.Stream.size() && last == TParseResult::Continue; at += 4096) {
      const std::string piece = c.Stream.substr(at, 4096);
      last = parser.Feed(piece.data(), piece.size());
    }
    EXPECT_EQ(last, TParseResult::Disconnect);
    ASSERT_EQ(sink.Lines.size(), 1u);
    EXPECT_NE(sink.Lines[0].find(c.Reason), std::string::npos) << sink.Lines[0];
    EXPECT_EQ(parser.Held(), 0u);
    EXPECT_EQ(parser.Feed("more", 4), TParseResult::Disconnect);
    parser.Disconnected(false);
    EXPECT_TRUE(sink.Frames.empty());
    // The next connection starts clean.
    parser.Connected();
    const std::string good = kOkHead +
                             (c.Flags == kVod        ? "12345678" + Be32(200)
                              : c.Flags == kWebcam32 ? std::string(1, '\0') + Le32(200)
                                                     : "") +
                             J1;
    EXPECT_EQ(parser.Feed(good.data(), good.size()), TParseResult::Continue);
    parser.Disconnected(false);
    EXPECT_EQ(sink.Frames, std::vector<std::string>{J1});
  }
}

// Parsing must stay linear in the bytes received, whatever the frame sizes.
TEST(VideoStreamParser, LargeStreamsParseInLinearTime) {
  const auto start = std::chrono::steady_clock::now();
  // 50 MB of small frames, and one 30 MB frame, each fed in 4 KB receives.
  std::string small = kPushHead;
  const std::string frame = "\r\n--myboundary\r\n\r\n" + Payload(300, 9);
  while (small.size() < (size_t(50) << 20)) small += frame;
  std::string large =
      kPushHead + "--myboundary\r\n\r\n" + Payload(size_t(30) << 20, 10) + "\r\n--myboundary\r\n";
  size_t frames = 0;
  for (const std::string* stream : {&small, &large}) {
    TRecordingSink sink;
    TVideoStreamParser parser(sink, kAuto);
    parser.Connected();
    for (size_t at = 0; at < stream->size(); at += 4096) {
      const size_t n = std::min<size_t>(4096, stream->size() - at);
      ASSERT_EQ(parser.Feed(stream->data() + at, n), TParseResult::Continue);
      frames += sink.Frames.size();
      sink.Frames.clear();
    }
  }
  EXPECT_EQ(frames, (small.size() - kPushHead.size()) / frame.size() - 1 + 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace vexilon
