#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vexilon {

// Removes HTTP/1.1 chunk framing from a body fed in pieces of any size. Servers answer an
// HTTP/1.0 request this way although they should not (ffmpeg's mpjpeg server among them).
class TChunkedDecoder {
 public:
  enum class TStatus { Body, Done, Error };
  using TEmit = std::function<void(const char* data, size_t size)>;

  // Decodes size bytes, handing each run of body bytes to emit as soon as it is known (no
  // copy). After the last chunk and its trailer the answer is Done and further bytes are
  // ignored; broken framing answers Error, and so does every later call.
  TStatus Feed(const char* data, size_t size, const TEmit& emit);
  void Reset();

 private:
  enum class TState { Size, Extension, SizeLf, Data, DataCr, DataLf, Trailer, Done, Error };
  TStatus Fail();

  TState FState = TState::Size;
  uint64_t FRemaining = 0;
  int FDigits = 0;
  size_t FLineLength = 0;
};

}  // namespace vexilon
