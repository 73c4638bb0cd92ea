#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "core/net/StreamParser.h"
#include "support/RecordingSink.h"

namespace vexilon {

// A plain blocking client on 127.0.0.1 for tests: sends a request exactly as written and
// reads what comes back.
class TTestClient {
 public:
  explicit TTestClient(int port);
  ~TTestClient();
  TTestClient(const TTestClient&) = delete;
  TTestClient& operator=(const TTestClient&) = delete;

  bool Send(std::string_view bytes);
  // What arrives within timeout; empty on time-out or when the server closed (Closed()).
  std::string Receive(std::chrono::milliseconds timeout);
  bool Closed() const { return FClosed; }
  void Close();

 private:
  int FFd = -1;
  bool FClosed = false;
};

// "GET target HTTP/1.0" and the blank line.
std::string GetRequest(std::string_view target);

// Feeds what the client receives to parser until done() answers true, the parser asks to
// stop or disconnect, the server closes (then parser.Disconnected runs), or the timeout.
void FeedParser(TTestClient& client, TStreamParser& parser, const std::function<bool()>& done,
                std::chrono::milliseconds timeout);

// Sends request to 127.0.0.1:port and parses the answer as a picture stream in the format
// of flags until frames frames are in, the stream ends, or the timeout; what the parser gave.
TRecordingSink FetchVideo(int port, const std::string& request, int flags, std::size_t frames,
                          std::chrono::milliseconds timeout = std::chrono::seconds(3));

// The bytes decode as a JPEG picture of that size (trailing bytes after it allowed).
bool IsJpegOfSize(const std::string& bytes, int width, int height);

}  // namespace vexilon
