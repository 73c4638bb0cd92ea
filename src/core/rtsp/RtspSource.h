#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/imaging/Jpeg.h"

struct AVFrame;

namespace vexilon {

// A camera's RTSP stream failed; the message says why in words a user understands.
class ERtspError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Larger pictures are refused before anything is allocated for them: no camera sends them,
// and a hostile description could ask for gigabytes.
inline constexpr int kMaxRtspSide = 8192;
// A compressed picture larger than this is refused: a 4K key frame is a few megabytes.
inline constexpr std::int64_t kMaxRtspPacketBytes = 16 << 20;
// The quality of the JPEGs captures and recordings make of decoded pictures.
inline constexpr int kRtspJpegQuality = 90;

struct TRtspOptions {
  std::string Url;  // rtsp:// or rtsps://, with user and password in it if needed
  bool Tcp = true;  // RTSP over TCP: passes firewalls and NAT; otherwise RTP over UDP
  // No answer for this long ends an open or a read.
  std::chrono::milliseconds Timeout{10000};
  // Decode the camera's sound (G.711 or AAC) for OnSound.
  bool Sound = false;
};

struct TRtspStreamInfo {
  std::string Codec;  // "h264", "hevc", "mjpeg"
  int Width = 0, Height = 0;
  double FrameRate = 0;       // as the camera describes it; 0 when it does not
  std::string AudioCodec;     // empty without sound
  bool SoundDecoded = false;  // the sound comes to OnSound
};

// A block of the camera's sound: 16-bit samples, channels interleaved.
struct TRtspSound {
  int Rate = 0, Channels = 0;
  std::vector<std::int16_t> Samples;
};

// One compressed picture as it came.
struct TRtspPacket {
  std::int64_t Bytes = 0;
  double Seconds = 0;  // its time stamp, from the stream's first picture
  bool Key = false;
};

// A decoded picture at the camera's own size, kept as the decoder made it: a capture or a
// recording converts it only when it needs it, from any thread.
class TRtspFrame {
 public:
  explicit TRtspFrame(const AVFrame& frame);
  ~TRtspFrame();
  TRtspFrame(const TRtspFrame&) = delete;
  TRtspFrame& operator=(const TRtspFrame&) = delete;

  int Width() const;
  int Height() const;
  // The memory its planes hold.
  std::size_t Bytes() const;
  // Its pixels at its own size: blue, green, red and an unused byte; empty on failure.
  std::vector<std::uint8_t> Pixels() const;
  // A JPEG of it at its own size; empty on failure.
  std::string Jpeg(int quality = kRtspJpegQuality) const;

 private:
  AVFrame* FFrame;
};

// A decoded picture: 32-bit pixels, blue, green, red and an unused byte, at Rows, Stride bytes
// apart: in Pixels (rows without gaps) or in a buffer the caller gave; Full is the same
// picture at the camera's own size.
struct TRtspPicture {
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Pixels;
  const std::uint8_t* Rows = nullptr;
  std::size_t Stride = 0;
  std::shared_ptr<const TRtspFrame> Full;
};

// Reads an RTSP camera with FFmpeg's libraries, in the caller's thread: Open (the RTSP
// handshake and the stream's description), then one picture at a time, decoded on request.
// Every wait inside the libraries ends at the time-out or at once on Interrupt.
class TRtspSource {
 public:
  explicit TRtspSource(TRtspOptions options);
  ~TRtspSource();
  TRtspSource(const TRtspSource&) = delete;
  TRtspSource& operator=(const TRtspSource&) = delete;

  // Throws ERtspError.
  void Open();
  const TRtspStreamInfo& Info() const { return FInfo; }
  // The next picture's packet; none when the camera ended the stream. Sound that comes on
  // the way goes to the OnSound handler. Throws ERtspError.
  std::optional<TRtspPacket> ReadPicture();
  void OnSound(std::function<void(const TRtspSound&)> handler) {
    FSoundHandler = std::move(handler);
  }
  // Decodes the packet ReadPicture answered last. A picture comes out when one is complete,
  // scaled to fit within maxWidth x maxHeight keeping its shape (0: its own size), into the
  // buffer target gives (rows of at least width x 4 bytes), else into the picture's Pixels.
  bool Decode(TRtspPicture& picture, int maxWidth = 0, int maxHeight = 0,
              const TPixelAllocator& target = {});
  // Forgets the pictures the decoder holds, before decoding again from a key frame after
  // packets were skipped.
  void Flush();

  // From any thread: the current and every later wait ends at once.
  void Interrupt() { FInterrupted = true; }

 private:
  struct TState;
  static int Interrupted(void* self);
  void Arm();
  [[noreturn]] void Fail(int code, const std::string& doing) const;
  void OpenSound();
  void DecodeSound();

  const TRtspOptions FOptions;
  std::unique_ptr<TState> FState;
  TRtspStreamInfo FInfo;
  std::function<void(const TRtspSound&)> FSoundHandler;
  TRtspSound FSound;
  std::atomic<bool> FInterrupted{false};
  std::atomic<std::int64_t> FDeadline{0};  // steady clock, nanoseconds
};

}  // namespace vexilon
