#pragma once
#include <cstddef>
#include <string_view>

#include "core/catalogue/WebConnect.h"

namespace vexilon {

// Which length-prefixed framing the first bytes of a connection show, for a tool that wants
// to read a stream whose entry says "auto". The viewer's own auto framing never guesses these:
// an entry names them. Each value but Undecided is the stream format it shows.
enum class TSniffedFraming {
  Undecided = -1,
  Other = int(TStreamFormat::Auto),
  Vod = int(TStreamFormat::Vod),
  Webcam32 = int(TStreamFormat::Webcam32),
};

// The bytes a connection received so far, from its first on (a proxy's tunnel answer may
// come first). Vod: a response head, then a 12-byte frame header whose big-endian length is
// plausible and a JPEG start. Webcam32: a response head or none, a text preamble ended by a
// zero byte, then a plausible little-endian length and a JPEG start. Undecided while more
// bytes could still tell; never once kSniffLimit bytes are there.
TSniffedFraming SniffFraming(std::string_view start);

inline constexpr std::size_t kSniffLimit = 65536;

}  // namespace vexilon
