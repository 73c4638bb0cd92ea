// ffmpeg's HTTP server as a camera we did not write: HTTP/1.1 and chunked even for an
// HTTP/1.0 request, and by default no boundary in its head.
#include <gtest/gtest.h>

#include "support/FfmpegServer.h"
#include "support/StreamFetch.h"

namespace vexilon {
namespace {

TEST(Ffmpeg, MpjpegServerGivesWholePicturesInBothContentTypes) {
  if (!TFfmpegServer::Installed()) GTEST_SKIP() << "ffmpeg is not installed";
  for (const char* type : {"", "multipart/x-mixed-replace;boundary=ffmpeg"}) {
    SCOPED_TRACE(*type ? type : "default content type");
    TFfmpegServer server(type);
    ASSERT_TRUE(server.Started());
    const TVideoFetch fetch =
        FetchVideo(server.Port(), GetRequest(TFfmpegServer::kPath), 0, 5, std::chrono::seconds(5));
    EXPECT_EQ(fetch.Outcome.Result, TParseResult::Continue);
    EXPECT_NE(fetch.Sink.PageText.find("chunked"), std::string::npos) << fetch.Sink.PageText;
    ASSERT_EQ(fetch.Sink.Frames.size(), 5u) << fetch.Sink.PageText;
    for (const std::string& frame : fetch.Sink.Frames) {
      // Content-length part heads: exactly the picture, nothing after it.
      EXPECT_TRUE(frame.ends_with("\xFF\xD9"));
      EXPECT_TRUE(IsJpegOfSize(frame, 640, 480));
    }
  }
}

}  // namespace
}  // namespace vexilon
