// Real connection threads against camsim over loopback: every framing, authentication and
// the proxy modes. Reconnects, stalls and bad servers are covered against the scripted server
// in net/ConnectThread_test.cpp.
#include <gtest/gtest.h>

#include "core/catalogue/WebConnect.h"
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

}  // namespace
}  // namespace vexilon
