#include "core/playback/PlaybackCursor.h"

#include <algorithm>

namespace vexilon {

void TPlaybackCursor::Reset() {
  FPosition = 0;
  FMaximum = 0;
  FPlaying = false;
}

void TPlaybackCursor::SetMaximum(int maximum) {
  FMaximum = std::max(maximum, 0);
  FPosition = std::min(FPosition, FMaximum);
}

void TPlaybackCursor::MoveTo(int position) {
  FPosition = std::clamp(position, 0, FMaximum);
}

std::optional<int> TPlaybackCursor::Advance(int indexedFrames, bool loading) {
  if (loading) SetMaximum(indexedFrames);
  if (FPosition >= FMaximum) {
    // Nothing more will come once the index is complete.
    if (!loading) FPlaying = false;
    return std::nullopt;
  }
  const int p = ++FPosition;
  if (p >= FMaximum && !loading) FPlaying = false;
  return p - 1;
}

std::optional<int> TPlaybackCursor::Play(int indexedFrames, bool loading) {
  FPlaying = true;
  return Advance(indexedFrames, loading);
}

std::optional<int> TPlaybackCursor::BackOne() {
  if (FPosition <= 0) return std::nullopt;
  FPlaying = false;
  const int p = --FPosition;
  return p > 0 ? p - 1 : 0;
}

void TPlaybackCursor::Rewind() {
  FPlaying = false;
  FPosition = 0;
}

}  // namespace vexilon
