#pragma once
#include <memory>
#include <string>

#include "CameraTarget.h"
#include "ProbeSink.h"

namespace vexilon {

struct TWatchResult : TProbeSink::TResult {
  double Seconds = 0;
  int Format = 0;       // the framing the camera was read with: the descriptor's format flag
  std::string Failure;  // why no frame came, in one line; empty once one did
};

// Reads the target's camera with a video connection thread into sink until the sink stops or
// seconds pass. Read as "auto", a stream whose first bytes show the vod or webcam32 framing
// is read once more with that framing; the viewer's own auto framing never guesses those.
TWatchResult WatchCamera(const TCameraTarget& target, const std::shared_ptr<TProbeSink>& sink,
                         double seconds);

// The name of a descriptor's format flag: auto, vod, html or webcam32.
const char* FormatName(int format);

}  // namespace vexilon
