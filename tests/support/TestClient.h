#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "core/net/StreamParser.h"

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
  // Everything until the server closes or the timeout passes.
  std::string ReadAll(std::chrono::milliseconds timeout);
  bool Closed() const { return FClosed; }
  // Half close: the server sees the end of the request stream, the answer can still come.
  void EndSending();
  void Close();

 private:
  int FFd = -1;
  bool FClosed = false;
};

// "GET target HTTP/1.0", extra header lines (each ended by CR LF), the blank line.
std::string GetRequest(std::string_view target, std::string_view headers = {});

struct TFeedOutcome {
  TParseResult Result = TParseResult::Continue;  // the first result that was not Continue
  bool Done = false;                             // done() answered true
  bool Closed = false;                           // the server closed (the parser was told)
  std::size_t Bytes = 0;
};

// Feeds what the client receives to parser until done() answers true, the parser asks to
// stop or disconnect, the server closes (then parser.Disconnected runs), or the timeout.
TFeedOutcome FeedParser(TTestClient& client, TStreamParser& parser,
                        const std::function<bool()>& done, std::chrono::milliseconds timeout);

}  // namespace vexilon
