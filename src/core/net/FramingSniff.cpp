#include "core/net/FramingSniff.h"

#include <cstdint>

#include "core/net/StreamText.h"

namespace vexilon {
namespace {

// A picture's length as the two framings announce it: a JPEG at least, no more than a
// parser takes.
constexpr uint32_t kLeastPicture = 4;
constexpr uint32_t kMostPicture = uint32_t(32) << 20;
// A webcam32 preamble is a line or two of text.
constexpr size_t kMostPreamble = 4096;

bool Plausible(uint32_t length) {
  return length >= kLeastPicture && length <= kMostPicture;
}

bool JpegStart(const uint8_t* p) {
  return p[0] == 0xFF && p[1] == 0xD8;
}

bool Text(uint8_t c) {
  return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

TSniffedFraming SniffFraming(std::string_view start) {
  const bool complete = start.size() >= kSniffLimit;  // nothing more will be looked at
  start = start.substr(0, kSniffLimit);
  bool head = false;
  for (int heads = 0; heads < 2; ++heads) {
    if (start.size() < 5 && std::string_view("HTTP/").starts_with(start))
      return complete ? TSniffedFraming::Other : TSniffedFraming::Undecided;
    if (!start.starts_with("HTTP/")) break;
    size_t resume = 0;
    const size_t end = FindHeadEnd(start, resume);
    if (end == std::string_view::npos)
      return complete ? TSniffedFraming::Other : TSniffedFraming::Undecided;
    // A refusal or a redirect has no stream to judge.
    const size_t blank = start.find(' ');
    if (blank + 1 >= end || start[blank + 1] != '2') return TSniffedFraming::Other;
    start.remove_prefix(end);
    head = true;
  }
  const auto* b = reinterpret_cast<const uint8_t*>(start.data());
  bool undecided = false;
  if (head) {
    if (start.size() < 14) {
      undecided = true;
    } else if (JpegStart(b + 12) && Plausible(uint32_t(b[8]) << 24 | uint32_t(b[9]) << 16 |
                                              uint32_t(b[10]) << 8 | b[11])) {
      return TSniffedFraming::Vod;
    }
  }
  size_t zero = 0;
  while (zero < start.size() && zero <= kMostPreamble && Text(b[zero])) ++zero;
  if (zero == start.size()) {
    undecided = true;
  } else if (b[zero] == 0) {
    const uint8_t* p = b + zero + 1;
    if (start.size() - zero < 7) {
      undecided = true;
    } else if (JpegStart(p + 4) && Plausible(uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 |
                                             uint32_t(p[1]) << 8 | p[0])) {
      return TSniffedFraming::Webcam32;
    }
  }
  return undecided && !complete ? TSniffedFraming::Undecided : TSniffedFraming::Other;
}

}  // namespace vexilon
