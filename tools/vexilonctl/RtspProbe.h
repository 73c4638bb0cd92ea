#pragma once
#include <string>

namespace vexilon {

struct TRtspProbeRun {
  std::string Url;  // with the user and password in it
  long Frames = 0;  // 0: no limit
  double Seconds = 10;
  bool Decode = false;
  bool Json = false;
  bool Tcp = true;
};

// probe for an RTSP camera: the stream's codec, size and rate, then every picture's bytes
// and time stamp (and size once decoded), then a summary. The exit code of the command.
int RunRtspProbe(const TRtspProbeRun& run);

}  // namespace vexilon
