// A real connection thread against ffmpeg's HTTP server: a camera we did not write, which
// answers HTTP/1.1 with a chunked body and by default names no boundary.
#include <gtest/gtest.h>

#include "core/net/VideoThread.h"
#include "support/FfmpegServer.h"
#include "support/TestClient.h"
#include "support/WaitingSink.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;

TEST(ThreadsFfmpeg, PicturesInBothContentTypes) {
  if (!TFfmpegServer::Installed()) GTEST_SKIP() << "ffmpeg is not installed";
  for (const char* type : {"", "multipart/x-mixed-replace;boundary=ffmpeg"}) {
    SCOPED_TRACE(*type ? type : "default content type");
    TFfmpegServer server(type);
    ASSERT_TRUE(server.Started());
    auto sink = std::make_shared<TWaitingSink>();
    TVideoConnect camera;
    camera.Web = "http://127.0.0.1:" + std::to_string(server.Port()) + TFfmpegServer::kPath;
    TConnectConfig config;
    config.Timeout = 3s;
    config.Settings = [] { return TNetSettings{}; };
    auto thread = std::make_unique<TVideoThread>(camera, sink, config);
    ASSERT_TRUE(sink->WaitFrames(5, 5s)) << sink->Seen().PageText;
    thread.reset();
    const TRecordingSink seen = sink->Seen();
    EXPECT_NE(seen.PageText.find("chunked"), std::string::npos);
    for (const std::string& frame : seen.Frames) EXPECT_TRUE(IsJpegOfSize(frame, 640, 480));
  }
}

}  // namespace
}  // namespace vexilon
