#pragma once
#include <memory>
#include <string>
#include <string_view>

namespace vexilon {

class TRecordFields;

// Flag bits of a connection descriptor.
inline constexpr int kSimpleGetFlag = 1;
inline constexpr int kFormatMask = 6;           // video: the stream format; audio: see below
inline constexpr int kSeparateAudioFormat = 2;  // audio: the sound has a stream of its own
inline constexpr int kPublishedFlag = 256;      // video: a published entry

// How a video stream is framed: the format bits of its descriptor's flags.
enum class TStreamFormat {
  Auto = 0,      // server push, tagged parts or single pictures, told apart by the answer
  Vod = 2,       // video/vod: a 12-byte header with a big-endian length before each picture
  Html = 4,      // pages of text
  Webcam32 = 6,  // a text preamble, then a little-endian length before each picture
};
inline TStreamFormat StreamFormatOf(int flags) {
  return TStreamFormat(flags & kFormatMask);
}
inline int WithStreamFormat(int flags, TStreamFormat format) {
  return (flags & ~kFormatMask) | int(format);
}

// How one web connection (a stream or a picture) is requested.
class TWebConnect {
 public:
  TWebConnect() = default;
  virtual ~TWebConnect() = default;

  std::string Web;
  std::string Auth;
  std::string Headers;  // header lines, each ended by CR LF
  std::string Prefix;
  std::string Suffix;
  int Flags = 0;
  // An https:// camera's trusted certificate: its SHA-256 fingerprint ("AB:CD:…"); empty
  // when only the system's trust store counts.
  std::string CertPin;

  virtual std::string GetRecordText() const;
  virtual void SetRecordText(std::string_view text);
  // A new empty descriptor of the same class.
  virtual std::unique_ptr<TWebConnect> CreateSame() const;
  // A copy made through the record text, as camera windows and threads take theirs.
  std::unique_ptr<TWebConnect> Copy() const;

  // An audio descriptor whose format bits are not 0.
  bool HasSound() const { return (Flags & kFormatMask) != 0; }
  bool IsSeparateAudio() const { return (Flags & kFormatMask) == kSeparateAudioFormat; }

  // Reads the fields from a record already split into keys (an entry reads its video
  // descriptor from its own data text this way).
  virtual void ReadFields(const TRecordFields& fields);

 protected:
  TWebConnect(const TWebConnect&) = default;
  TWebConnect& operator=(const TWebConnect&) = default;
};

class TVideoConnect : public TWebConnect {
 public:
  int Width = 0;
  int Height = 0;
  int Interval = 0;      // milliseconds between two requests of a still-picture camera
  bool RtspUdp = false;  // an rtsp:// camera: RTP over UDP instead of RTSP over TCP

  std::string GetRecordText() const override;
  std::unique_ptr<TWebConnect> CreateSame() const override;
  void ReadFields(const TRecordFields& fields) override;
};

class TAudioConnect : public TWebConnect {
 public:
  std::unique_ptr<TWebConnect> CreateSame() const override;
};

// A copy of descriptor with its own class.
template <class T>
std::unique_ptr<T> CopyConnect(const T& descriptor) {
  return std::unique_ptr<T>(static_cast<T*>(descriptor.Copy().release()));
}

}  // namespace vexilon
