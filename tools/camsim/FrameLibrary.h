#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "core/imaging/Jpeg.h"

namespace vexilon::camsim {

// The picture of a simulated camera: a scene (its colours) at a size, moving through a loop
// of loopFrames pictures, frame number index drawn in the corner.
TBitmap RenderFrame(int scene, int width, int height, int index, int loopFrames);

// Texts that must never appear inside a served picture: the end tag of tagged streams and
// the start of every boundary camsim uses.
bool HoldsDelimiter(const std::string& bytes);

// Encoded pictures of the simulated cameras. Each scene at each size is a loop of frames,
// encoded the first time a stream needs one and kept, so serving many streams costs little
// more than their sends.
class TFrameLibrary {
 public:
  using TFrame = std::shared_ptr<const std::string>;

  TFrameLibrary(int loopFrames, int quality);

  // Frame n (modulo the loop) of a scene at a size; nullptr once kMaxLoops other loops are
  // kept.
  TFrame Frame(int scene, int width, int height, std::uint64_t n);
  int LoopFrames() const { return FLoopFrames; }

  static constexpr std::size_t kMaxLoops = 16;

 private:
  struct TLoop {
    std::mutex Mutex;
    std::vector<TFrame> Frames;
  };
  TLoop* FindLoop(int scene, int width, int height);
  TFrame Encode(int scene, int width, int height, int index) const;

  const int FLoopFrames;
  const int FQuality;
  std::mutex FMutex;
  std::map<std::tuple<int, int, int>, std::unique_ptr<TLoop>> FLoops;
};

}  // namespace vexilon::camsim
