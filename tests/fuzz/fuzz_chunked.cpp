// Chunked transfer decoding of untrusted bytes: fed whole or in pieces of any size, the body
// and the outcome are the same, and the body is never longer than what came in.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "core/net/ChunkedDecoder.h"

using namespace vexilon;

namespace {

struct TResult {
  std::string Body;
  TChunkedDecoder::TStatus Status = TChunkedDecoder::TStatus::Body;
};

TResult Decode(const char* data, std::size_t size, std::size_t piece) {
  TChunkedDecoder decoder;
  TResult result;
  const auto emit = [&result](const char* bytes, std::size_t count) {
    result.Body.append(bytes, count);
  };
  for (std::size_t at = 0; at < size; at += piece) {
    const std::size_t count = std::min(piece, size - at);
    result.Status = decoder.Feed(data + at, count, emit);
    // Errors and the end stick: later bytes change nothing.
    if (result.Status != TChunkedDecoder::TStatus::Body) {
      const std::size_t body = result.Body.size();
      Check(decoder.Feed(data + at, count, emit) == result.Status);
      Check(result.Body.size() == body);
      break;
    }
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = std::size_t(data[0] % 16) + 1;
  const char* text = reinterpret_cast<const char*>(data + 1);
  --size;
  const TResult whole = Decode(text, size, size == 0 ? 1 : size);
  const TResult pieces = Decode(text, size, piece);
  Check(whole.Body.size() <= size);
  Check(whole.Status == pieces.Status);
  Check(whole.Body == pieces.Body);
  return 0;
}
