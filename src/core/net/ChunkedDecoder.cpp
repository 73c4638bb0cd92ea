#include "core/net/ChunkedDecoder.h"

#include <algorithm>

namespace vexilon {
namespace {

// A size line holds at most 15 hex digits (no overflow), and extensions or trailer lines
// longer than this are not a server's honest output.
constexpr int kMaxDigits = 15;
constexpr size_t kMaxLine = 4096;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

void TChunkedDecoder::Reset() {
  *this = TChunkedDecoder();
}

TChunkedDecoder::TStatus TChunkedDecoder::Fail() {
  FState = TState::Error;
  return TStatus::Error;
}

TChunkedDecoder::TStatus TChunkedDecoder::Feed(const char* data, size_t size, const TEmit& emit) {
  size_t i = 0;
  auto endOfSizeLine = [this] {
    FState = FRemaining == 0 ? TState::Trailer : TState::Data;
    FLineLength = 0;
  };
  while (i < size) {
    const char c = data[i];
    switch (FState) {
      case TState::Size:
        if (const int v = HexValue(c); v >= 0) {
          if (++FDigits > kMaxDigits) return Fail();
          FRemaining = FRemaining * 16 + uint64_t(v);
        } else if (FDigits == 0) {
          return Fail();
        } else if (c == ';' || c == ' ' || c == '\t') {
          FState = TState::Extension;
          FLineLength = 0;
        } else if (c == '\r') {
          FState = TState::SizeLf;
        } else if (c == '\n') {
          endOfSizeLine();
        } else {
          return Fail();
        }
        ++i;
        break;
      case TState::Extension:
        if (c == '\n') {
          endOfSizeLine();
        } else if (++FLineLength > kMaxLine) {
          return Fail();
        }
        ++i;
        break;
      case TState::SizeLf:
        if (c != '\n') return Fail();
        endOfSizeLine();
        ++i;
        break;
      case TState::Data: {
        const size_t take = size_t(std::min<uint64_t>(FRemaining, size - i));
        emit(data + i, take);
        i += take;
        FRemaining -= take;
        if (FRemaining == 0) FState = TState::DataCr;
        break;
      }
      case TState::DataCr:
        if (c == '\r') {
          FState = TState::DataLf;
        } else if (c == '\n') {
          FState = TState::Size;
          FDigits = 0;
        } else {
          return Fail();
        }
        ++i;
        break;
      case TState::DataLf:
        if (c != '\n') return Fail();
        FState = TState::Size;
        FDigits = 0;
        ++i;
        break;
      case TState::Trailer:
        if (c == '\n') {
          if (FLineLength == 0) {
            FState = TState::Done;
            return TStatus::Done;
          }
          FLineLength = 0;
        } else if (c != '\r' && ++FLineLength > kMaxLine) {
          return Fail();
        }
        ++i;
        break;
      case TState::Done:
        return TStatus::Done;
      case TState::Error:
        return TStatus::Error;
    }
  }
  if (FState == TState::Done) return TStatus::Done;
  return FState == TState::Error ? TStatus::Error : TStatus::Body;
}

}  // namespace vexilon
