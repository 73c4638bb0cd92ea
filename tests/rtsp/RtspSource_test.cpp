#include "core/rtsp/RtspSource.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/net/RtspAddress.h"
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
  TRtspServer server({"--user", "viewer", "--password", "p@ss:word"});
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

// A server that takes the connection and then says nothing, or only garbage.
TEST(RtspSource, SilentOrGarbledServersEndInTimeWithTheReason) {
  const std::pair<const char*, const char*> servers[] = {
      {"", "No answer from the camera for 1 s while opening the stream"},
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
