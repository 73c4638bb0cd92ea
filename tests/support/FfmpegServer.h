#pragma once
#include <sys/types.h>

#include <string>

namespace vexilon {

// ffmpeg's mpjpeg muxer listening for one client on a free port of 127.0.0.1, as a camera
// server we did not write: 640×480 test pictures at 25 per second, HTTP/1.1 with a chunked
// body. Without a content type it says application/octet-stream and names no boundary.
class TFfmpegServer {
 public:
  static bool Installed();

  explicit TFfmpegServer(const std::string& contentType = "");
  ~TFfmpegServer();
  TFfmpegServer(const TFfmpegServer&) = delete;
  TFfmpegServer& operator=(const TFfmpegServer&) = delete;

  // True once ffmpeg accepts connections.
  bool Started() const { return FStarted; }
  int Port() const { return FPort; }
  static constexpr const char* kPath = "/video.mjpg";

 private:
  pid_t FPid = -1;
  int FPort = 0;
  bool FStarted = false;
};

}  // namespace vexilon
