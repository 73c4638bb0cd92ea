#include "core/capture/Flashback.h"

#include <cstddef>

namespace vexilon {

void TFlashbackStore::Store(std::string jpeg, std::chrono::system_clock::time_point time,
                            int capacity) {
  while (!FFrames.empty() && (FFrames.size() >= std::size_t(capacity > 0 ? capacity : 0) ||
                              FBytes + jpeg.size() > kBudget))
    DropOldest();
  if (capacity > 0 && !jpeg.empty() && jpeg.size() <= kBudget) {
    FBytes += jpeg.size();
    FFrames.push_back({std::make_shared<const std::string>(std::move(jpeg)), time});
  }
}

void TFlashbackStore::DropOldest() {
  FBytes -= FFrames.front().Jpeg->size();
  FFrames.pop_front();
}

}  // namespace vexilon
