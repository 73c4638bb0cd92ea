// Real connection threads against camsim over loopback: every framing, authentication and
// the proxy modes. Reconnects, stalls and bad servers are covered against the scripted server
// in net/ConnectThread_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "core/catalogue/WebConnect.h"
#include "core/net/CameraState.h"
#include "core/net/VideoThread.h"
#include "support/CamSim.h"
#include "support/TestClient.h"
#include "support/WaitingSink.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
constexpr int kAuto = int(TStreamFormat::Auto), kVod = int(TStreamFormat::Vod),
              kHtml = int(TStreamFormat::Html), kWebcam32 = int(TStreamFormat::Webcam32);

class ThreadsCamSim : public TCamSimTest {
 protected:
  // Runs a thread on camera until three frames are in; checks they are whole pictures, and
  // that they move unless each came on a connection of its own.
  void ExpectPictures(const TVideoConnect& camera, TNetSettings settings = {}, int width = 160,
                      int height = 120) {
    auto sink = std::make_shared<TWaitingSink>();
    TConnectConfig config;
    config.Timeout = 2s;
    config.RetryDelay = 200ms;
    config.Settings = [settings] { return settings; };
    auto thread = std::make_unique<TVideoThread>(camera, sink, std::move(config));
    ASSERT_TRUE(sink->WaitFrames(3, 3s)) << sink->Seen().PageText;
    thread.reset();
    const auto frames = sink->Seen().Frames;
    for (size_t i = 0; i < 3; ++i) EXPECT_TRUE(IsJpegOfSize(frames[i], width, height)) << i;
    if (camera.Interval == 0) {
      EXPECT_NE(frames[1], frames[2]);
    }
  }
};

TEST_F(ThreadsCamSim, EveryFramingDeliversWholeMovingPictures) {
  // Rows alternate the request form: the path alone or the absolute address.
  const struct {
    const char* Target;
    int Flags;
    int Interval = 0;
    const char* Auth = "";
    const char* InAddress = "";  // credentials written into the address
    int Width = 160, Height = 120;
  } cases[] = {
      {"/push", kAuto | kSimpleGetFlag},
      {"/push?nolength", kAuto},
      {"/push?nolength", kHtml | kSimpleGetFlag},
      {"/tagged", kAuto},
      {"/vod", kVod | kSimpleGetFlag},
      {"/cam32", kWebcam32},
      {"/cam32?nohead", kWebcam32 | kSimpleGetFlag},
      {"/still.jpg", kAuto, 50},  // one picture per connection
      {"/push?auth=cam:secret", kSimpleGetFlag, 0, "cam:secret"},
      {"/push?auth=cam:secret", kAuto, 0, "cam:wrong", "cam:secret@"},
      {"/vod?size=64x48", kVod, 0, "", "", 64, 48},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Target << " flags " << c.Flags << " " << c.Auth);
    TVideoConnect camera;
    camera.Web =
        std::string("http://") + c.InAddress + "127.0.0.1:" + std::to_string(Port()) + c.Target;
    camera.Flags = c.Flags;
    camera.Interval = c.Interval;
    camera.Auth = c.Auth;
    ExpectPictures(camera, {}, c.Width, c.Height);
  }
}

TEST_F(ThreadsCamSim, EveryProxyModeReachesTheCamera) {
  // The proxy's own pictures are smaller: 160×120 shows the camera answered.
  TCamSim proxy({"--size", "64x48", "--fps", "50"});
  ASSERT_TRUE(proxy.Started()) << proxy.Error();
  for (int type : {1, 2, 3}) {
    SCOPED_TRACE(type);
    TNetSettings settings;
    settings.Proxy = "127.0.0.1:" + std::to_string(proxy.Port());
    settings.ProxyType = type;
    TVideoConnect camera;
    camera.Web = "http://127.0.0.1:" + std::to_string(Port()) + "/push";
    camera.Flags = kSimpleGetFlag;
    ExpectPictures(camera, settings);
  }
}

// Counts the connections refused with 401, each once however its head arrived.
class TRefusalSink : public TWaitingSink {
 public:
  void Connected() override {
    FCounted = false;
    TWaitingSink::Connected();
  }
  void SetPageText(const std::string& text) override {
    if (!FCounted && text.starts_with("HTTP/1.0 401")) {
      FCounted = true;
      ++Refusals;
    }
    TWaitingSink::SetPageText(text);
  }
  std::atomic<int> Refusals{0};

 private:
  bool FCounted = false;  // the connection thread's own
};

// A camsim of their own: a server that asked for Digest never gets Basic again.
class ThreadsCamSimDigest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(camsim.Started()) << camsim.Error(); }
  std::unique_ptr<TVideoThread> Start(const std::string& target, const std::string& auth,
                                      int interval = 0, int flags = kAuto,
                                      const std::string& inAddress = "") {
    TVideoConnect camera;
    camera.Web = "http://" + inAddress + "127.0.0.1:" + std::to_string(camsim.Port()) + target;
    camera.Flags = flags;
    camera.Interval = interval;
    camera.Auth = auth;
    TConnectConfig config;
    config.Timeout = 2s;
    config.Settings = [] { return TNetSettings{}; };
    return std::make_unique<TVideoThread>(camera, sink, std::move(config));
  }
  // States other than connecting and pictures, and the notes of the header text.
  std::vector<std::string> FailuresShown() const {
    std::vector<std::string> shown;
    const TRecordingSink seen = sink->Seen();
    for (const std::string& state : seen.States) {
      if (!state.empty() && !state.starts_with("Connecting to ")) shown.push_back(state);
    }
    for (const std::string& line : seen.Lines) shown.push_back(line);
    return shown;
  }

  TCamSim camsim{{"--size", "160x120", "--fps", "50", "--loop", "1"}};
  std::shared_ptr<TRefusalSink> sink = std::make_shared<TRefusalSink>();
};

TEST_F(ThreadsCamSimDigest, EveryAlgorithmStreamsAndStillCamerasKeepTheirNonce) {
  const struct {
    const char* Target;
    int Flags;
    int Interval;
    const char* Auth;
    const char* InAddress = "";
  } cases[] = {
      {"/push?digest=cam:secret&algorithm=SHA-256", kSimpleGetFlag, 0, "cam:secret"},
      {"/push?digest=cam:secret&algorithm=MD5", kAuto, 0, "", "cam:secret@"},
      // One picture per connection, each answering the first challenge with the next count;
      // SHA-256 is chosen of the two.
      {"/still.jpg?digest=cam:secret&algorithm=MD5,SHA-256", kAuto, 20, "cam:secret"},
      {"/still.jpg?digest=cam:secret&algorithm=MD5-sess", kSimpleGetFlag, 20, "cam:secret"},
      {"/still.jpg?digest=cam:secret&noqop", kAuto, 20, "cam:secret"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Target);
    sink = std::make_shared<TRefusalSink>();
    auto thread = Start(c.Target, c.Auth, c.Interval, c.Flags, c.InAddress);
    ASSERT_TRUE(sink->WaitFrames(4)) << sink->Seen().PageText;
    thread.reset();
    for (const std::string& frame : sink->Seen().Frames) EXPECT_TRUE(IsJpegOfSize(frame, 160, 120));
    EXPECT_EQ(sink->Refusals, 1);
    EXPECT_EQ(FailuresShown(), std::vector<std::string>{});
  }
}

TEST_F(ThreadsCamSimDigest, AStaleNonceIsAnsweredAtOnceWithoutAFailure) {
  auto thread = Start("/still.jpg?digest=cam:secret&algorithm=SHA-256&stale=3", "cam:secret");
  ASSERT_TRUE(sink->WaitFrames(8)) << sink->Seen().PageText;
  thread.reset();
  // The first challenge, then every third use of a nonce; the refusals' pages are no frames.
  EXPECT_GE(sink->Refusals, 4);
  for (const std::string& frame : sink->Seen().Frames) EXPECT_TRUE(IsJpegOfSize(frame, 160, 120));
  EXPECT_EQ(FailuresShown(), std::vector<std::string>{});
}

TEST_F(ThreadsCamSimDigest, AWrongPasswordIsRefusedInWordsOnceARetry) {
  const auto start = std::chrono::steady_clock::now();
  auto thread = Start("/push?digest=cam:secret", "cam:wrong");
  // The challenge, its answer, two retries at once, then one after about a second.
  while (sink->Refusals < 5 && std::chrono::steady_clock::now() - start < 5s) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, 700ms);
  std::this_thread::sleep_for(1s);  // the next one waits about two
  thread.reset();
  EXPECT_EQ(sink->Refusals, 5);
  const auto states = sink->Seen().States;
  EXPECT_NE(std::find(states.begin(), states.end(), StatusWords(401, false)), states.end());
}

}  // namespace
}  // namespace vexilon
