#include "FramingPeek.h"

#include <algorithm>

namespace vexilon {

void TFramingPeek::Write(const char* data, size_t size) {
  if (FDecided) return;
  FStart.append(data, std::min(size, kSniffLimit - FStart.size()));
  const TSniffedFraming framing = SniffFraming(FStart);
  if (framing == TSniffedFraming::Undecided) return;
  FDecided = true;
  std::string().swap(FStart);
  FFound(framing);
}

}  // namespace vexilon
