#pragma once
#include <chrono>
#include <cstddef>
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

// A camera window's most recent JPEG frames, oldest first, within a memory budget whatever
// number of frames is asked for.
class TFlashbackStore {
 public:
  static constexpr std::size_t kBudget = std::size_t(64) << 20;

  // Makes room first, so that the store never holds more than capacity frames nor more than
  // the budget's bytes, and a lowered capacity takes effect at once; then keeps jpeg when
  // capacity allows and it is not empty (frames of other kinds only make room).
  void Store(std::string jpeg, std::chrono::system_clock::time_point time, int capacity);
  const std::deque<TFlashData>& Frames() const { return FFrames; }
  std::size_t Bytes() const { return FBytes; }

 private:
  void DropOldest();

  std::deque<TFlashData> FFrames;
  std::size_t FBytes = 0;
};

}  // namespace vexilon
