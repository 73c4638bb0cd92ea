#pragma once
#include <string>
#include <vector>

#include "support/ChildProcess.h"

namespace vexilon {

// A camera served by GStreamer's RTSP server (tests/support/rtsp_server.py) on 127.0.0.1, on
// a port of the system's choosing: a moving test pattern at /live.
class TRtspServer {
 public:
  // args go to the script: --codec h264|h265|mjpeg, --size WxH, --fps N, --user, --password.
  explicit TRtspServer(const std::vector<std::string>& args = {});
  bool Started() const { return FPort > 0; }
  const std::string& Error() const { return FProcess.Error(); }
  int Port() const { return FPort; }
  // rtsp://[auth@]127.0.0.1:PORT/live
  std::string Url(const std::string& auth = {}) const;

 private:
  TChildProcess FProcess;
  int FPort = 0;
};

}  // namespace vexilon
