#pragma once
#include "core/net/StreamParser.h"

namespace vexilon {

// Cuts a camera's picture stream into frames. The format is the video descriptor's FLAGS
// (bits 1-2): auto (tagged "<Simg>"/"<Ssnd>" parts, multipart, or one picture per
// connection), video/vod (12-byte frame heads with a big-endian length), html (multipart or
// one page per connection) and webcam32 (a preamble up to a zero byte, then 4-byte
// little-endian lengths). Sound parts of a tagged stream are decoded as raw 8-bit sound.
class TVideoStreamParser : public TStreamParser {
 public:
  explicit TVideoStreamParser(TStreamSink& sink, int flags, TStreamLimits limits = {});

  // The rest of a connection is one frame; the next connection has its own preamble.
  void FlushBody(std::string rest) override;
  // Also forgets the preamble, so that a connection ended without FlushBody (while paused)
  // does not leave the next one reading its preamble as a frame length.
  void ResetStreamState() override;

  bool PreambleDone() const { return FPreambleDone; }

  // Frames shorter than this are dropped.
  static constexpr size_t kMinFrame = 128;

 protected:
  bool Step(std::string_view view, size_t& used) override;

 private:
  // What the tag of a tagged answer said it holds; None in other framings.
  enum class TPartKind { None, Image, Sound };

  bool StepResponse(std::string_view view, size_t& used);
  bool StepBodyWithoutParts(std::string_view view, size_t& used);
  bool StepPartHead(std::string_view view, size_t& used);
  bool StepPartBody(std::string_view view, size_t& used);
  // Finds "<Simg>" or "<Ssnd>" before the first CR; answers the part kind.
  TPartKind FindTag(std::string_view view, size_t& tagEnd) const;
  // The body of a response whose head named no boundary starts with "--token": that token
  // is the boundary. Answers true once it has taken one.
  bool SniffBoundary(std::string_view view);
  void Deliver(std::string frame);

  TPartKind FPartKind = TPartKind::None;
  bool FPreambleDone = false;
  bool FSniffDone = false;
  int64_t FBodyLength = -1;  // a single picture's Content-Length, when its head gave one
};

}  // namespace vexilon
