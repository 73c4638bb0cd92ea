#include "core/net/AudioStreamParser.h"

namespace vexilon {

TAudioStreamParser::TAudioStreamParser(TStreamSink& sink, TStreamLimits limits)
    : TStreamParser(sink, 0, TSoundKind::Au, limits) {}

void TAudioStreamParser::FlushBody(std::string rest) {
  if (!rest.empty()) SoundPath(rest.data(), rest.size());
}

bool TAudioStreamParser::Step(std::string_view view, size_t& used) {
  switch (FState) {
    case TParseState::ResponseHead: {
      CheckStatus(view);
      const size_t head = HeadLength(view);
      if (head == std::string_view::npos) {
        if (!Dead()) FSink.SetPageText(std::string(view));
        return false;
      }
      used = head;
      FMarker = TakeResponseHead(view.substr(0, head));
      SetState(FMarker.empty() ? TParseState::Body : TParseState::PartHead);
      return true;
    }
    case TParseState::Body:
      SoundPath(view.data(), view.size());
      used = view.size();
      return true;
    case TParseState::PartHead: {
      const size_t head = HeadLength(view);
      if (head == std::string_view::npos) return false;
      used = head;
      if (!TakePartHead(view.substr(0, head))) return false;
      SetState(TParseState::PartBody);
      return true;
    }
    default: {
      if (FContentLength >= 0) {
        if (!FillPart(view, used)) return false;
        const std::string part = TakePart();
        SoundPath(part.data(), part.size());
        SetState(TParseState::PartHead);
        return true;
      }
      const size_t at = FindMarker(view);
      if (at == std::string_view::npos) return false;
      SoundPath(view.data(), at);
      used = at + FMarker.size();
      SetState(TParseState::PartHead);
      return true;
    }
  }
}

}  // namespace vexilon
