#include "core/net/VideoStreamParser.h"

#include <cstring>
#include <optional>

#include "core/net/StreamText.h"

namespace vexilon {
namespace {

uint32_t BigEndian32(const char* p) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

uint32_t LittleEndian32(const char* p) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0];
}

size_t Find(std::string_view text, std::string_view what) {
  const void* found = memmem(text.data(), text.size(), what.data(), what.size());
  return found == nullptr ? std::string_view::npos
                          : size_t(static_cast<const char*>(found) - text.data());
}

}  // namespace

TVideoStreamParser::TVideoStreamParser(TStreamSink& sink, int flags, TStreamLimits limits)
    : TStreamParser(sink, flags, TSoundKind::Raw8, limits) {}

void TVideoStreamParser::FlushBody(std::string rest) {
  Deliver(std::move(rest));
  FPreambleDone = false;
}

void TVideoStreamParser::ResetStreamState() {
  TStreamParser::ResetStreamState();
  FPreambleDone = false;
}

void TVideoStreamParser::Deliver(std::string frame) {
  if (frame.size() >= kMinFrame) FSink.Frame(std::move(frame));
}

bool TVideoStreamParser::Step(std::string_view view, size_t& used) {
  switch (FState) {
    case TParseState::ResponseHead:
      return StepResponse(view, used);
    case TParseState::Body:
      return StepBodyWithoutParts(view, used);
    case TParseState::PartHead:
      return StepPartHead(view, used);
    default:
      return StepPartBody(view, used);
  }
}

TVideoStreamParser::TPartKind TVideoStreamParser::FindTag(std::string_view view,
                                                          size_t& tagEnd) const {
  const std::string_view window = view.substr(0, FLimits.MaxHead);
  // A tag counts only before the first CR, so the search ends there.
  const std::string_view before = window.substr(0, window.find('\r'));
  const size_t image = Find(before, "<Simg>");
  const size_t sound = Find(before.substr(0, image), "<Ssnd>");
  if (sound != std::string_view::npos) {
    tagEnd = sound + 6;
    return TPartKind::Sound;
  }
  if (image != std::string_view::npos) {
    tagEnd = image + 6;
    return TPartKind::Image;
  }
  return TPartKind::None;
}

bool TVideoStreamParser::StepResponse(std::string_view view, size_t& used) {
  FPartKind = TPartKind::None;
  CheckStatus(view);
  // A webcam32 server may send no head at all: then its preamble starts at once. One that
  // starts like a status line gets its head taken whole, however it was cut by the receives.
  if (FFormat == TStreamFormat::Webcam32 &&
      !std::string_view("HTTP").starts_with(view.substr(0, 4))) {
    SetState(TParseState::PartBody);
    FContentLength = -1;
    return true;
  }
  if (FFormat == TStreamFormat::Auto) {
    size_t tagEnd = 0;
    if (const TPartKind kind = FindTag(view, tagEnd); kind != TPartKind::None) {
      FMarker = "<END>";
      used = tagEnd;
      SetState(TParseState::PartBody);
      FContentLength = -1;
      FPartKind = kind;
      return true;
    }
    // The start of a tag cut off by the receive is no head text.
    if (view.size() < 6 && (std::string_view("<Simg>").starts_with(view) ||
                            std::string_view("<Ssnd>").starts_with(view))) {
      return false;
    }
  }
  const size_t head = HeadLength(view);
  if (head == std::string_view::npos) {
    if (!Dead()) FSink.SetPageText(std::string(view));
    return false;
  }
  used = head;
  const std::string marker = TakeResponseHead(view.substr(0, head));
  SetState(TParseState::Body);
  FBodyLength = -1;
  if (const std::optional<int64_t> length = PartContentLength(view.substr(0, head));
      length && *length >= 0 && *length <= int64_t(FLimits.MaxBuffer))
    FBodyLength = *length;
  if (FFormat == TStreamFormat::Auto || FFormat == TStreamFormat::Html) {
    if (!marker.empty()) {
      FMarker = marker;
      SetState(TParseState::PartHead);
    }
  } else {
    SetState(TParseState::PartBody);
    FContentLength = -1;
  }
  FSniffDone = FState != TParseState::Body;
  return true;
}

bool TVideoStreamParser::StepBodyWithoutParts(std::string_view view, size_t& used) {
  // The body stays until the server closes; then FlushBody hands it on as one frame.
  if ((FFormat == TStreamFormat::Auto || FFormat == TStreamFormat::Html) && SniffBoundary(view)) {
    SetState(TParseState::PartHead);
    return true;
  }
  // A picture whose length was announced is complete there, whether or not the server keeps
  // the connection open for another request.
  if (FBodyLength >= 0 && !Chunked() && view.size() >= size_t(FBodyLength)) {
    Deliver(std::string(view.substr(0, size_t(FBodyLength))));
    used = view.size();  // anything after it belongs to no request of ours
    FBodyLength = -1;
    Raise(TParseResult::Done);
    return false;
  }
  return false;
}

bool TVideoStreamParser::SniffBoundary(std::string_view view) {
  if (FSniffDone) return false;
  if (view.size() < 2) {
    FSniffDone = view[0] != '-';
    return false;
  }
  if (view[0] != '-' || view[1] != '-') {
    FSniffDone = true;
    return false;
  }
  const std::string_view line = view.substr(2, kMaxBoundary + 1);
  const size_t end = line.find_first_of("\r\n");
  if (end == std::string_view::npos) {
    FSniffDone = line.size() > kMaxBoundary;
    return false;
  }
  FSniffDone = true;
  const std::string_view token = line.substr(0, end);
  if (token.empty()) return false;
  for (char c : token) {
    if (uint8_t(c) <= ' ' || uint8_t(c) >= 0x7F) return false;
  }
  FMarker = "-" + std::string(token);
  return true;
}

bool TVideoStreamParser::StepPartHead(std::string_view view, size_t& used) {
  const size_t head = HeadLength(view);
  if (head == std::string_view::npos) return false;
  used = head;
  if (!TakePartHead(view.substr(0, head))) return false;
  SetState(TParseState::PartBody);
  return true;
}

bool TVideoStreamParser::StepPartBody(std::string_view view, size_t& used) {
  if (FContentLength >= 0) {
    if (!FillPart(view, used)) return false;
    Deliver(TakePart());
    if (FFormat == TStreamFormat::Auto || FFormat == TStreamFormat::Html)
      SetState(TParseState::PartHead);
    return true;
  }
  switch (FFormat) {
    case TStreamFormat::Vod:
      if (view.size() < 12) return false;
      used = 12;
      return SetContentLength(BigEndian32(view.data() + 8));
    case TStreamFormat::Webcam32:
      if (!FPreambleDone) {
        const size_t from = std::min(FScanned, view.size());
        const void* zero = std::memchr(view.data() + from, 0, view.size() - from);
        if (zero == nullptr) {
          FScanned = view.size();
          return false;
        }
        used = size_t(static_cast<const char*>(zero) - view.data()) + 1;
        FPreambleDone = true;
        return true;
      }
      if (view.size() < 4) return false;
      used = 4;
      return SetContentLength(LittleEndian32(view.data()));
    default: {
      const size_t at = FindMarker(view);
      if (at == std::string_view::npos) return false;
      used = at + FMarker.size();
      if (FPartKind == TPartKind::Sound) {
        SoundPath(view.data(), at);
      } else {
        Deliver(std::string(view.substr(0, at)));
      }
      // A tagged part is a whole answer; the next one starts with a tag of its own.
      SetState(FPartKind == TPartKind::None ? TParseState::PartHead : TParseState::ResponseHead);
      return true;
    }
  }
}

}  // namespace vexilon
