#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vexilon::camsim {

// What one stream framing puts around its pictures (or pages, or sound). Every framing
// knows how to open a part that never ends and one that announces more bytes than will
// ever come, for the fault paths.
class TFraming {
 public:
  virtual ~TFraming() = default;
  // The response head, and whatever the framing sends once before its first part.
  virtual std::string Head() const = 0;
  // One picture as it goes out; number and millis (since the stream began) for framings
  // whose frame headers carry them.
  virtual std::string Part(std::string_view payload, std::uint32_t number,
                           std::uint32_t millis) const = 0;
  // An embedded sound part; empty when the framing has none.
  virtual std::string SoundPart(std::string_view) const { return {}; }
  virtual std::string OpenEndless() const = 0;
  virtual std::string OpenHuge() const = 0;
};

inline constexpr std::uint32_t kHugeLength = 0xFFFFFFFF;

// Multipart server push: parts delimited by "--boundary" lines, with or without
// Content-Length in their heads.
std::unique_ptr<TFraming> MakePushFraming(std::string boundary, std::string partType,
                                          bool withLength);
// "<Simg>"/"<Ssnd>" parts ended by "<END>", with no response head at all.
std::unique_ptr<TFraming> MakeTaggedFraming();
// 12-byte frame headers: frame number, milliseconds and length, big-endian.
std::unique_ptr<TFraming> MakeVodFraming();
// A text preamble ended by a zero byte, then 4-byte little-endian lengths; withHead false
// leaves out the HTTP response head, as some of these servers do.
std::unique_ptr<TFraming> MakeWebcam32Framing(bool withHead);
// A plain body of the given type: parts go out as they are (a sound stream).
std::unique_ptr<TFraming> MakePlainFraming(std::string contentType);

}  // namespace vexilon::camsim
