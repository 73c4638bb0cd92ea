#include "core/rtsp/RtspSource.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "core/imaging/Jpeg.h"
#include "core/net/RtspAddress.h"

extern "C" {
#include <libavutil/base64.h>
}
#include "support/LoopbackServer.h"
#include "support/RtspServer.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

TEST(RtspSource, EveryCodecGivesPicturesInOrderAtTheirSizeOrSmaller) {
  for (const char* codec : {"h264", "h265", "mjpeg"}) {
    SCOPED_TRACE(codec);
    TRtspServer server({"--codec", codec, "--size", "320x240"});
    ASSERT_TRUE(server.Started()) << server.Error();
    TRtspSource source({server.Url(), true, 10s});
    source.Open();
    EXPECT_EQ(source.Info().Codec, std::string(codec) == "h265" ? "hevc" : codec);
    EXPECT_EQ(source.Info().Width, 320);
    EXPECT_EQ(source.Info().Height, 240);
    EXPECT_DOUBLE_EQ(source.Info().FrameRate, 25);
    double last = -1;
    int decoded = 0;
    TRtspPicture picture;
    for (int i = 0; i < 10; ++i) {
      const auto packet = source.ReadPicture();
      ASSERT_TRUE(packet);
      EXPECT_GE(packet->Seconds, last);
      last = packet->Seconds;
      if (i == 0) {
        EXPECT_TRUE(packet->Key);
      }
      // Half size: a small window is drawn from pixels that fit it.
      if (source.Decode(picture, i < 5 ? 0 : 160, i < 5 ? 0 : 160)) {
        ++decoded;
        EXPECT_EQ(picture.Width, i < 5 ? 320 : 160);
        EXPECT_EQ(picture.Height, i < 5 ? 240 : 120);
        EXPECT_EQ(picture.Pixels.size(), size_t(picture.Width) * size_t(picture.Height) * 4);
      }
    }
    EXPECT_GE(decoded, 8);
    EXPECT_NEAR(last, 9 / 25.0, 0.045);  // the first picture may come without a stamp
  }
}

TEST(RtspSource, APasswordCameraOpensWithItsCredentialsAndRefusesWrongOnesInWords) {
  for (const char* method : {"--basic", "--digest"}) {
    SCOPED_TRACE(method);
    std::vector<std::string> args = {"--user", "viewer", "--password", "p@ss:word"};
    if (method == std::string("--digest")) args.push_back(method);
    TRtspServer server(args);
    ASSERT_TRUE(server.Started()) << server.Error();
    TRtspSource right({RtspUrlWithAuth(server.Url(), "viewer:p@ss:word"), true, 10s});
    EXPECT_NO_THROW(right.Open());
    for (const char* auth : {"viewer:wrong", ""}) {
      TRtspSource wrong({RtspUrlWithAuth(server.Url(), auth), true, 10s});
      try {
        wrong.Open();
        ADD_FAILURE() << auth << " opened";
      } catch (const ERtspError& error) {
        EXPECT_STREQ(error.what(), "The camera refused the user name or password (401)") << auth;
      }
    }
  }
}

TEST(RtspSource, ASizeChangedMidwayIsFollowedWithoutScalingUp) {
  // 150 is no multiple of FFmpeg's 16-pixel blocks, which its converter writes whole.
  TRtspServer server({"--size", "320x240", "--resize-after", "0.5", "--resize", "150x90"});
  ASSERT_TRUE(server.Started()) << server.Error();
  TRtspSource source({server.Url(), true, 10s});
  source.Open();
  std::set<std::pair<int, int>> drawn, full;
  TRtspPicture picture;
  for (int i = 0; i < 100 && full.size() < 2; ++i) {
    ASSERT_TRUE(source.ReadPicture());
    if (!source.Decode(picture, 200, 200)) continue;
    ASSERT_EQ(picture.Pixels.size(), size_t(picture.Width) * size_t(picture.Height) * 4);
    drawn.insert({picture.Width, picture.Height});
    if (full.insert({picture.Full->Width(), picture.Full->Height()}).second) {
      int width = 0, height = 0;
      const std::string jpeg = picture.Full->Jpeg();
      ASSERT_TRUE(
          JpegSize(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(), width, height));
      EXPECT_EQ(std::make_pair(width, height),
                std::make_pair(picture.Full->Width(), picture.Full->Height()));
    }
  }
  EXPECT_EQ(full, (std::set<std::pair<int, int>>{{150, 90}, {320, 240}}));
  EXPECT_EQ(drawn, (std::set<std::pair<int, int>>{{150, 90}, {200, 150}}));
}

// Base64 NAL units as RTP packets of payload type 96 interleaved on channel 0, one picture.
std::string InterleavedPicture(const std::vector<const char*>& nals) {
  std::string stream;
  for (std::size_t i = 0; i < nals.size(); ++i) {
    std::uint8_t nal[1024];
    const int size = av_base64_decode(nal, nals[i], sizeof nal);
    const bool last = i + 1 == nals.size();
    const std::size_t length = 12 + std::size_t(size);
    const std::uint8_t head[16] = {'$',
                                   0,
                                   std::uint8_t(length >> 8),
                                   std::uint8_t(length),
                                   0x80,
                                   std::uint8_t(96 | (last ? 0x80 : 0)),
                                   0,
                                   std::uint8_t(i),
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   0,
                                   1};
    stream.append(reinterpret_cast<const char*>(head), sizeof head);
    stream.append(reinterpret_cast<const char*>(nal), std::size_t(size));
  }
  return stream;
}

// A camera that answers every request, describes its stream with sdp, and sends stream after
// PLAY before it closes.
void AnswerWith(TServerConnection& c, int port, const std::string& sdp, const std::string& stream) {
  for (std::string head = c.ReadHead(); !head.empty(); head = c.ReadHead()) {
    const std::size_t at = head.find("CSeq:");
    const std::string cseq = head.substr(at + 5, head.find('\r', at) - at - 5);
    std::string answer = "RTSP/1.0 200 OK\r\nCSeq:" + cseq + "\r\nSession: 1\r\n";
    if (head.starts_with("DESCRIBE"))
      answer += "Content-Base: rtsp://127.0.0.1:" + std::to_string(port) +
                "/live/\r\nContent-Type: application/sdp\r\nContent-Length: " +
                std::to_string(sdp.size()) + "\r\n\r\n" + sdp;
    else if (head.starts_with("SETUP"))
      answer += "Transport: RTP/AVP/TCP;unicast;interleaved=0-1\r\n\r\n";
    else
      answer += "\r\n";
    if (!c.Send(answer)) return;
    if (head.starts_with("PLAY")) {
      c.Send(stream);
      return;  // and closes: the stream ends here
    }
  }
}

TEST(RtspSource, DescriptionsOfWhatCannotBeShownAreRefusedInWords) {
  const std::string head =
      "v=0\r\no=- 0 0 IN IP4 127.0.0.1\r\ns=x\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n";
  const std::string h264 =
      "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=fmtp:96 packetization-mode=1\r\n"
      "a=control:stream=0\r\n";
  // One picture of 8208x64, wider than any camera's, as x264 makes it.
  const std::string wide = InterleavedPicture(
      {"Z2QAM6zZQAgEmwEQAAADABAAAAMDIPGDGWA=", "aOvjyyLA",
       "ZYiEACv//"
       "vZzfAprbbCVLgV292aj5dCS5fsQYPrQAAADAAADAAADAAADAAADAAADAAADAAADAAADAAADAAAR97gjGd67"
       "ZtuoAAADAAADAAADAAADAAADAAADAAADAAADAAA0YAAAAwAAAwAAAwAAAwAAAwAAAwAAAwKmAAADAAADAAADAAADAA"
       "ADAAADAAADAE1B"});
  const struct {
    std::string Media, Stream;
    const char* Reason;
  } rows[] = {
      {h264, wide, "The camera describes pictures of 8208x64, which cannot be shown"},
      {h264, "", "The camera sent no picture while opening the stream"},
      {"m=video 0 RTP/AVP 34\r\na=rtpmap:34 H263/90000\r\na=control:stream=0\r\n", "",
       "The camera sends h263 pictures, which cannot be shown"},
      {"m=audio 0 RTP/AVP 0\r\na=rtpmap:0 PCMU/8000\r\na=control:stream=0\r\n", "",
       "The camera offers no pictures"},
  };
  for (const auto& [media, stream, reason] : rows) {
    SCOPED_TRACE(reason);
    int port = 0;
    TLoopbackServer server(
        [&, sdp = head + media](TServerConnection& c, int) { AnswerWith(c, port, sdp, stream); });
    port = server.Port();
    TRtspSource source({"rtsp://127.0.0.1:" + std::to_string(port) + "/live", true, 2s});
    const auto start = TClock::now();
    try {
      source.Open();
      ADD_FAILURE() << "opened";
    } catch (const ERtspError& error) {
      EXPECT_STREQ(error.what(), reason);
    }
    EXPECT_LT(TClock::now() - start, 4s);
  }
}

// A server that takes the connection and then says nothing, stops after its first answer
// (the handshake's OPTIONS), or says only garbage.
TEST(RtspSource, SilentOrGarbledServersEndInTimeWithTheReason) {
  const std::pair<const char*, const char*> servers[] = {
      {"", "No answer from the camera for 1 s while opening the stream"},
      {"RTSP/1.0 200 OK\r\nCSeq: 1\r\nPublic: OPTIONS, DESCRIBE, SETUP, PLAY\r\n\r\n",
       "No answer from the camera for 1 s while opening the stream"},
      {"RTSP/1.0 200 OK\r\nCSeq: 1\r\n\r\n\x01\x02garbage\xff\r\n\r\n", ""},
      {"\x24\x00\xff\xff not rtsp at all", ""},
  };
  for (const auto& [answer, reason] : servers) {
    SCOPED_TRACE(answer);
    TLoopbackServer server([answer = std::string(answer)](TServerConnection& c, int) {
      c.ReadHead();
      if (!answer.empty()) c.Send(answer);
      c.Hold();
    });
    TRtspSource source({"rtsp://127.0.0.1:" + std::to_string(server.Port()) + "/live", true, 1s});
    const auto start = TClock::now();
    try {
      source.Open();
      ADD_FAILURE() << "opened";
    } catch (const ERtspError& error) {
      if (*reason != '\0') {
        EXPECT_STREQ(error.what(), reason);
      }
    }
    EXPECT_LT(TClock::now() - start, 3s);
  }
}

TEST(RtspSource, InterruptEndsAWaitingOpenAtOnce) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Hold();
  });
  TRtspSource source({"rtsp://127.0.0.1:" + std::to_string(server.Port()) + "/live", true, 60s});
  std::thread stopper([&source] {
    std::this_thread::sleep_for(200ms);
    source.Interrupt();
  });
  const auto start = TClock::now();
  EXPECT_THROW(source.Open(), ERtspError);
  EXPECT_LT(TClock::now() - start, 1s);
  stopper.join();
}

}  // namespace
}  // namespace vexilon
