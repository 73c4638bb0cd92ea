#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexilon {

// Text rules shared by the video and audio stream parsers.

// Length of the head at the start of text, through its blank line: whichever comes first of
// CR LF CR LF and LF LF. npos when text holds no complete head yet. Searching starts at
// resume (a line feed not yet judged), which is updated so that a head arriving in pieces
// is scanned only once.
size_t FindHeadEnd(std::string_view text, size_t& resume);

// A delimiter token is at most this long: RFC 2046 allows 70, and servers that overstep it
// stay within a line's worth.
inline constexpr size_t kMaxBoundary = 255;

// The marker of a multipart head: "-" and the text after "boundary=" (exact case), at most
// kMaxBoundary characters, cut at the line feed, without a trailing CR and without enclosing
// quotes. Empty when the head names no boundary.
std::string BoundaryMarker(std::string_view head);

// Whether head has a Transfer-Encoding line naming "chunked" (any letter case).
bool IsChunkedHead(std::string_view head);

// The value of the first "Content-Length:" line of a part head (any letter case), trimmed:
// nothing when absent or unreadable; a readable value may be negative or huge.
std::optional<int64_t> PartContentLength(std::string_view head);

// Position of what in text ignoring ASCII letter case; npos when absent.
size_t FindNoCase(std::string_view text, std::string_view what);

}  // namespace vexilon
