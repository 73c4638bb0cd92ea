#include "core/net/StreamParser.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/net/StreamText.h"
#include "core/net/SuffixItems.h"

namespace vexilon {
namespace {

// While bytes are held, new input joins them in slices of this size, so that parsing can
// return to working in place as soon as the held bytes are used up.
constexpr size_t kSlice = 4096;
constexpr size_t kCompactAt = 65536;
constexpr size_t kKeepCapacity = size_t(1) << 20;
constexpr size_t kSoundBlock = 2048;

std::string Limit(size_t bytes) {
  return std::to_string(bytes) + " bytes";
}

}  // namespace

TStreamParser::TStreamParser(TStreamSink& sink, int format, TSoundKind soundKind,
                             TStreamLimits limits)
    : FSink(sink), FFormat(StreamFormatOf(format)), FLimits(limits), FSoundKind(soundKind) {}

TStreamParser::~TStreamParser() = default;

void TStreamParser::ClearBuffers() {
  if (FBuf.capacity() > kKeepCapacity) {
    std::string().swap(FBuf);
  } else {
    FBuf.clear();
  }
  FPos = 0;
  std::string().swap(FPart);
}

void TStreamParser::Connected() {
  ClearBuffers();
  SetState(TParseState::ResponseHead);
  FContentLength = -1;
  FDead = false;
  FFailedStatus = false;
  FStatusCode = 0;
  FAwaitRefusal = false;
  FDropRest = false;
  FChunked = false;
  FSwitchToChunked = false;
  FDecoder.Reset();
  ResetStreamState();
}

void TStreamParser::ResetStreamState() {
  FSendFormat = true;
  FNewProcessor = true;
}

void TStreamParser::AwaitTunnel() {
  SetState(TParseState::Tunnel);
}

void TStreamParser::SetState(TParseState state) {
  FState = state;
  FScanned = 0;
}

void TStreamParser::Raise(TParseResult result) {
  if (int(result) > int(FResult)) FResult = result;
}

void TStreamParser::Die(const std::string& reason) {
  FDead = true;
  ClearBuffers();
  // An error page read as a length-prefixed stream looks like a bad stream; the failure
  // status still decides, so the camera is asked again at once.
  Raise(FFailedStatus ? TParseResult::Stop : TParseResult::Disconnect);
  FSink.AddPageLine(reason);
}

TParseResult TStreamParser::Feed(const char* data, size_t size) {
  FResult = TParseResult::Continue;
  if (FDead) return FFailedStatus ? TParseResult::Stop : TParseResult::Disconnect;
  if (size == 0) return FResult;
  if (FState == TParseState::Tunnel) {
    FeedTunnel(data, size);
  } else if (FChunked) {
    Dechunk(data, size);
  } else {
    Absorb(data, size);
  }
  return FResult;
}

void TStreamParser::FeedTunnel(const char* data, size_t size) {
  FBuf.append(data, size);
  if (FBuf.size() > FLimits.MaxHead) {
    Die("Disconnected: the proxy's answer is longer than " + Limit(FLimits.MaxHead));
    return;
  }
  FSink.SetPageText(FBuf);
  // The proxy's status is not examined; whatever follows its blank line is dropped.
  if (FBuf.find("\r\n\r\n") != std::string::npos) {
    ClearBuffers();
    SetState(TParseState::ResponseHead);
    Raise(TParseResult::TunnelOpen);
  }
}

void TStreamParser::Dechunk(const char* data, size_t size) {
  const auto status =
      FDecoder.Feed(data, size, [this](const char* body, size_t n) { Absorb(body, n); });
  if (FDead) return;
  if (status == TChunkedDecoder::TStatus::Error) {
    Die("Disconnected: the server's chunked transfer encoding is broken");
  } else if (status == TChunkedDecoder::TStatus::Done) {
    // The body has ended; what is held goes on when the connection closes.
    Raise(TParseResult::Disconnect);
  }
}

size_t TStreamParser::Parse(const char* data, size_t size) {
  size_t pos = 0;
  while (pos < size && !FDead && !FSwitchToChunked) {
    size_t used = 0;
    const bool go = Step(std::string_view(data + pos, size - pos), used);
    if (used > 0) {
      pos += used;
      FScanned = 0;
    }
    if (!go) break;
  }
  return pos;
}

void TStreamParser::Absorb(const char* data, size_t size) {
  while (size > 0 && !FDead) {
    if (FPos == FBuf.size()) {
      FBuf.clear();
      FPos = 0;
      const size_t used = Parse(data, size);
      data += used;
      size -= used;
      if (FSwitchToChunked) break;
      if (size > 0 && !FDead) {
        Keep(data, size);
        size = 0;
        CheckHeld();
      }
    } else {
      const size_t slice = std::min(size, kSlice);
      Keep(data, slice);
      data += slice;
      size -= slice;
      const size_t used = Parse(FBuf.data() + FPos, FBuf.size() - FPos);
      if (FDead) return;  // the buffer is gone already
      FPos += used;
      if (FSwitchToChunked) break;
      Compact();
      CheckHeld();
    }
  }
  if (FSwitchToChunked && !FDead) {
    // The head just taken announced chunks: what follows it is chunk-framed.
    FSwitchToChunked = false;
    FChunked = true;
    std::string held = FBuf.substr(FPos);
    ClearBuffers();
    Dechunk(held.data(), held.size());
    if (!FDead && size > 0) Dechunk(data, size);
  }
}

void TStreamParser::Keep(const char* data, size_t size) {
  // Grown by hand: doubling past the limit would reserve twice what a camera may make us hold.
  const size_t needed = FBuf.size() + size;
  if (needed > FBuf.capacity()) {
    const size_t ceiling = std::max(needed, FLimits.MaxBuffer + kSlice);
    FBuf.reserve(std::min(std::max(needed, FBuf.capacity() * 2), ceiling));
  }
  FBuf.append(data, size);
}

void TStreamParser::Compact() {
  if (FPos == FBuf.size()) {
    // After a large frame the buffer goes back to its everyday size.
    if (FBuf.capacity() > kKeepCapacity)
      std::string().swap(FBuf);
    else
      FBuf.clear();
    FPos = 0;
  } else if (FPos >= kCompactAt && FPos * 2 >= FBuf.size()) {
    FBuf.erase(0, FPos);
    FPos = 0;
  }
}

void TStreamParser::CheckHeld() {
  if (Held() > FLimits.MaxBuffer) {
    Die("Disconnected: the server sent more than " + Limit(FLimits.MaxBuffer) +
        " without completing a part");
  }
}

void TStreamParser::Disconnected(bool paused) {
  // What is held becomes the last frame without a copy of it beside the buffers.
  std::string rest;
  if (FPart.empty()) {
    rest = std::move(FBuf);
    rest.erase(0, FPos);
  } else {
    rest = std::move(FPart);
    rest.append(FBuf, FPos, std::string::npos);
  }
  ClearBuffers();
  if (paused || FDropRest) return;
  if (FState != TParseState::ResponseHead && FState != TParseState::Tunnel) {
    FlushBody(std::move(rest));
    return;
  }
  size_t resume = 0;
  const size_t head = FindHeadEnd(rest, resume);
  if (head == std::string::npos) return;
  rest.erase(0, head);
  FlushBody(std::move(rest));
}

void TStreamParser::CheckStatus(std::string_view view) {
  if (view.substr(0, 4) != "HTTP") return;
  const std::string_view window = view.substr(0, FLimits.MaxHead);
  const size_t lineEnd = window.find('\n');
  const size_t blank = window.substr(0, lineEnd).find(' ');
  if (blank == std::string_view::npos) {
    if (lineEnd == std::string_view::npos) return;  // the status line is still arriving
  } else if (blank + 1 >= window.size()) {
    return;
  } else {
    int code = 0;
    std::size_t i = blank + 1;
    for (; i < window.size() && i < blank + 4 && std::isdigit(uint8_t(window[i])); ++i)
      code = code * 10 + (window[i] - '0');
    // A 4xx code cut short by the receive is read whole with the next bytes: a 401 is told
    // apart from the other refusals.
    if (i == window.size() && i < blank + 4 && window[blank + 1] == '4') return;
    FStatusCode = code;
    if (window[blank + 1] == '2') return;
    // The connection decides on a refusal once it has the challenges; it marks the suffix
    // item failed itself when the refusal counts.
    if (code == 401) {
      FFailedStatus = true;
      FAwaitRefusal = true;
      return;
    }
  }
  if (FSuffixUse != nullptr) FSuffixUse->MarkFailed();
  FFailedStatus = true;
  Raise(TParseResult::Stop);
}

size_t TStreamParser::HeadLength(std::string_view view) {
  const std::string_view window = view.substr(0, FLimits.MaxHead);
  const size_t length = FindHeadEnd(window, FScanned);
  if (length == std::string_view::npos && view.size() > FLimits.MaxHead) {
    Die("Disconnected: the server sent a head longer than " + Limit(FLimits.MaxHead));
  }
  return length;
}

std::string TStreamParser::TakeResponseHead(std::string_view head) {
  FSink.SetPageText(std::string(head));
  if (FAwaitRefusal) {
    FAwaitRefusal = false;
    Raise(TParseResult::Stop);
    // Parsing ends here; the buffers are left alone, the step still reads the head in them.
    if (FRefusalCheck && FRefusalCheck(head)) FDead = FDropRest = true;
  }
  if (!FChunked && IsChunkedHead(head)) FSwitchToChunked = true;
  return BoundaryMarker(head);
}

bool TStreamParser::TakePartHead(std::string_view head) {
  const std::optional<int64_t> length = PartContentLength(head);
  if (!length) {
    FContentLength = -1;  // unreadable: the marker ends the part
    return true;
  }
  return SetContentLength(*length);
}

bool TStreamParser::SetContentLength(int64_t length) {
  if (length < 0) {
    Die("Disconnected: the server announced a part of negative length");
    return false;
  }
  if (length > int64_t(FLimits.MaxBuffer)) {
    Die("Disconnected: the server announced a part of " + std::to_string(length) +
        " bytes, more than " + Limit(FLimits.MaxBuffer));
    return false;
  }
  FContentLength = length;
  return true;
}

size_t TStreamParser::FindMarker(std::string_view view) {
  const size_t m = FMarker.size();
  if (m == 0) return std::string_view::npos;
  const size_t from = std::min(FScanned, view.size());
  const void* found = memmem(view.data() + from, view.size() - from, FMarker.data(), m);
  if (found == nullptr) {
    FScanned = view.size() >= m ? view.size() - m + 1 : 0;
    return std::string_view::npos;
  }
  return static_cast<const char*>(found) - view.data();
}

bool TStreamParser::FillPart(std::string_view view, size_t& used) {
  const size_t length = size_t(FContentLength);
  if (FPart.capacity() < length) FPart.reserve(length);
  used = std::min(length - FPart.size(), view.size());
  FPart.append(view.data(), used);
  return FPart.size() == length;
}

std::string TStreamParser::TakePart() {
  std::string part;
  part.swap(FPart);
  FContentLength = -1;
  return part;
}

void TStreamParser::SoundPath(const char* data, size_t size) {
  if (!FSound || FNewProcessor) {
    FNewProcessor = false;
    FSound = std::make_unique<TSoundProcessor>(FSoundKind);
    FSoundFailureShown = false;
  }
  FSound->Write(reinterpret_cast<const uint8_t*>(data), size);
  if (FSound->Failed() && !FSoundFailureShown) {
    FSoundFailureShown = true;
    FSink.AddPageLine("Sound encoding " + std::to_string(FSound->Encoding()) + " is not supported");
  }
  if (FSound->Unread() <= kSoundBlock) return;
  if (FSendFormat) {
    FSendFormat = false;
    FSink.WaveFormat(FSound->WaveFormat());
  }
  FPcm.resize(FSound->Unread());
  FPcm.resize(FSound->Read(FPcm.data(), FPcm.size()));
  FSink.PlayAudio(FPcm.data(), FPcm.size());
}

}  // namespace vexilon
