#pragma once
#include <atomic>
#include <memory>

#include "core/rtsp/RtspThread.h"
#include "ui/camera/ImagePool.h"

namespace vexilon {

struct TCameraShared;

// The RTSP camera window whose sound is heard: the one activated last.
std::atomic<const TCameraShared*>& RtspSoundWindow();

// The sink of an RTSP camera window's thread: each decoded picture becomes a frame ready to
// paint, drawn at the window's size, with its full-size frame kept for captures; JPEGs are
// made on the thread only while something keeps every picture.
class TRtspCameraSink : public TPictureSink {
 public:
  explicit TRtspCameraSink(std::shared_ptr<TCameraShared> shared) : FShared(std::move(shared)) {}

  void DrawSize(int& width, int& height) override;
  bool WantsPictures() override;
  void Stream(const TRtspStreamInfo& info) override;
  void Sound(const TRtspSound& sound) override;
  TPixelTarget PictureTarget(int width, int height) override;
  void Picture(const TRtspPicture& picture, const TRtspPacket& packet) override;
  void State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) override;

 private:
  std::shared_ptr<TCameraShared> FShared;
  TImagePool FImages;
  QImage* FTarget = nullptr;  // the image PictureTarget gave for the picture on its way
};

}  // namespace vexilon
