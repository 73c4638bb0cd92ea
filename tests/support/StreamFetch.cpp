#include "support/StreamFetch.h"

#include "core/imaging/Jpeg.h"
#include "core/net/VideoStreamParser.h"

namespace vexilon {

TVideoFetch FetchVideo(int port, const std::string& request, int flags, std::size_t frames,
                       std::chrono::milliseconds timeout, TStreamLimits limits) {
  TVideoFetch fetch;
  TTestClient client(port);
  if (!client.Send(request)) return fetch;
  TVideoStreamParser parser(fetch.Sink, flags, limits);
  parser.Connected();
  fetch.Outcome = FeedParser(
      client, parser, [&] { return fetch.Sink.Frames.size() >= frames; }, timeout);
  return fetch;
}

bool IsJpegOfSize(const std::string& bytes, int width, int height) {
  TBitmap picture;
  return DecodeJpeg(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), picture) &&
         picture.Width == width && picture.Height == height;
}

}  // namespace vexilon
