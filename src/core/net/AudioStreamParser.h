#pragma once
#include "core/net/StreamParser.h"

namespace vexilon {

// Parses a separate sound stream: a response head, then AU sound, either plain or as
// multipart parts (delimited by the boundary or sized by Content-Length). The sound goes
// through an AU sound processor to the sink's WaveFormat and PlayAudio.
class TAudioStreamParser : public TStreamParser {
 public:
  explicit TAudioStreamParser(TStreamSink& sink, TStreamLimits limits = {});

  // The rest of a connection is decoded as sound.
  void FlushBody(std::string rest) override;

 protected:
  bool Step(std::string_view view, size_t& used) override;
};

}  // namespace vexilon
