#pragma once
#include <QImage>
#include <array>
#include <atomic>
#include <cstddef>

namespace vexilon {

// The last few images a reader thread handed to its window. Once the window has let go of
// one, it takes the next picture of the same size, so a stream costs no allocation (and no
// fresh pages) a frame. Use one per thread.
class TImagePool {
 public:
  // A kept 32-bit image of this size that nobody else holds any more, else a new one in place
  // of the oldest (null when memory ran out); written through without a copy, as only the pool
  // holds it.
  QImage& Free(int width, int height) {
    for (QImage& image : FImages) {
      if (image.width() == width && image.height() == height && image.isDetached()) {
        // The window's last reads of it happen before the writes to come.
        std::atomic_thread_fence(std::memory_order_acquire);
        return image;
      }
    }
    QImage& image = FImages[FNext];
    FNext = (FNext + 1) % FImages.size();
    image = QImage(width, height, QImage::Format_RGB32);
    return image;
  }

 private:
  std::array<QImage, 3> FImages;
  std::size_t FNext = 0;
};

}  // namespace vexilon
