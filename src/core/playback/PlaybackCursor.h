#pragma once
#include <optional>

namespace vexilon {

// The player's position control. Position p means that p frames have been shown, the last
// being frame index p - 1; position 0 with the first frame on display is the state after a
// file is opened. The maximum follows the frame index while it is built.
class TPlaybackCursor {
 public:
  int Position() const { return FPosition; }
  int Maximum() const { return FMaximum; }
  bool Playing() const { return FPlaying; }

  void Reset();
  // The number of frames indexed so far; the position stays within it.
  void SetMaximum(int maximum);
  // A move of the position control by the user.
  void MoveTo(int position);

  // One frame on. Answers the frame index to show, or none at the end. Play stops at the last
  // frame, except that while the file is still being indexed it waits there for more.
  std::optional<int> Advance(int indexedFrames, bool loading);
  // Playing on and one frame on at once.
  std::optional<int> Play(int indexedFrames, bool loading);
  void Stop() { FPlaying = false; }
  // One frame back; at position 1 the first frame is shown again and the position becomes 0.
  std::optional<int> BackOne();
  // Back to the start; the picture on display stays until the next frame is shown.
  void Rewind();

 private:
  int FPosition = 0;
  int FMaximum = 0;
  bool FPlaying = false;
};

}  // namespace vexilon
