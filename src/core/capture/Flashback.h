#pragma once
#include <chrono>
#include <deque>
#include <memory>
#include <string>

namespace vexilon {

// One frame kept for looking back: its JPEG bytes as received and when it was shown. The bytes
// never change once stored, so a viewer's copy of the list shares them.
struct TFlashData {
  std::shared_ptr<const std::string> Jpeg;
  std::chrono::system_clock::time_point Time;
};

// A camera window's most recent JPEG frames, oldest first.
class TFlashbackStore {
 public:
  // Makes room first, so that the store never holds more than capacity frames and a lowered
  // capacity takes effect at once; then keeps jpeg when capacity allows and it is not empty
  // (frames of other kinds only make room).
  void Store(std::string jpeg, std::chrono::system_clock::time_point time, int capacity);
  const std::deque<TFlashData>& Frames() const { return FFrames; }

 private:
  std::deque<TFlashData> FFrames;
};

}  // namespace vexilon
