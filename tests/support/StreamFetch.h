#pragma once
#include <chrono>
#include <string>

#include "core/net/StreamParser.h"
#include "support/RecordingSink.h"
#include "support/TestClient.h"

namespace vexilon {

struct TVideoFetch {
  TRecordingSink Sink;
  TFeedOutcome Outcome;
};

// Sends request to 127.0.0.1:port and parses the answer as a picture stream in the format
// of flags until frames frames are in, the stream ends, or the timeout.
TVideoFetch FetchVideo(int port, const std::string& request, int flags, std::size_t frames,
                       std::chrono::milliseconds timeout = std::chrono::seconds(3),
                       TStreamLimits limits = {});

// The bytes decode as a JPEG picture of that size (trailing bytes after it allowed).
bool IsJpegOfSize(const std::string& bytes, int width, int height);

}  // namespace vexilon
