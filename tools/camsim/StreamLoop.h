#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Framing.h"

namespace vexilon::camsim {

class TPeer;
struct TRequest;

// Faults a request asks for with query parameters; each count is of parts sent, -1 for
// none.
struct TFaults {
  long Close = -1;       // close=N: close the connection after N parts
  long Stall = -1;       // stall=N: stop sending after N parts, keep the connection open
  long Endless = -1;     // endless=N: after N parts, open one that never ends
  long Huge = -1;        // huge=N: after N parts, open one that announces 4 GiB - 1 bytes
  bool Garbage = false;  // garbage: random bytes after the head, never a part

  static TFaults From(const TRequest& request);
};

// Part n of a stream (a picture, a page, a piece of sound); nullptr ends the stream.
using TPayloadSource = std::function<std::shared_ptr<const std::string>(std::uint64_t n)>;

struct TStreamPlan {
  const TFraming* Framing = nullptr;
  TPayloadSource Payload;
  std::uint64_t FirstNumber = 0;  // a camera's clock goes on across its connections
  double PartsPerSecond = 25;
  TFaults Faults;
  bool Sound = false;  // embedded sound parts, one second of sound every second
};

// Sends the head and then parts in real time until the client goes, the server stops, or a
// fault ends the stream. A client that reads too slowly is not flooded: the stream drops
// behind instead of bursting to catch up.
void RunStream(TPeer& peer, const TStreamPlan& plan);

}  // namespace vexilon::camsim
