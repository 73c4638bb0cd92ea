#include "ui/camera/RtspCameraSink.h"

#include <cstring>
#include <utility>

#include "core/net/AudioThread.h"
#include "ui/camera/CameraSink.h"
#include "ui/camera/SoundOutput.h"

namespace vexilon {

std::atomic<const TCameraShared*>& RtspSoundWindow() {
  static std::atomic<const TCameraShared*> window{nullptr};
  return window;
}

void TRtspCameraSink::Sound(const TRtspSound& sound) {
  TSoundOutput& output = SoundOutput();
  if (!output.Enabled() || RtspSoundWindow().load() != FShared.get() ||
      AudioOwner().load() != nullptr) {
    FShared->SoundUnheard();
    return;
  }
  output.WaveOut().PlaySoundBlock(sound.Rate, 16, sound.Channels,
                                  reinterpret_cast<const std::uint8_t*>(sound.Samples.data()),
                                  sound.Samples.size() * sizeof(std::int16_t));
  if (output.WaveOut().DeviceOpen()) FShared->SoundHeard();
}

void TRtspCameraSink::DrawSize(int& width, int& height) {
  width = FShared->DrawWidth;
  height = FShared->DrawHeight;
}

bool TRtspCameraSink::WantsPictures() {
  return FShared->Seen || FShared->WantsJpeg;
}

void TRtspCameraSink::Stream(const TRtspStreamInfo& info) {
  // What View Headers shows for a camera that sends no HTTP headers.
  std::string text = "RTSP stream: " + info.Codec + ", " + std::to_string(info.Width) + "x" +
                     std::to_string(info.Height);
  if (info.FrameRate > 0) text += ", " + std::to_string(int(info.FrameRate + 0.5)) + " fps";
  if (!info.AudioCodec.empty())
    text += "\r\nSound: " + info.AudioCodec + (info.SoundDecoded ? "" : " (not played)");
  FShared->ShowHeaderText(std::move(text));
  if (info.SoundDecoded) FShared->RtspSoundDecoded();
}

TPixelTarget TRtspCameraSink::PictureTarget(int width, int height) {
  FTarget = &FImages.Free(width, height);
  if (FTarget->isNull()) return {};  // out of memory: the next picture may fit
  return {FTarget->bits(), std::size_t(FTarget->bytesPerLine())};
}

void TRtspCameraSink::Picture(const TRtspPicture& picture, const TRtspPacket&) {
  TCameraFrame frame;
  frame.Prepared = true;
  TPicture& shown = frame.Picture;
  QImage* const target = std::exchange(FTarget, nullptr);
  if (target != nullptr && picture.Rows == target->constBits()) {
    shown.Image = *target;  // shared with the pool, which takes it again once the window let go
  } else {
    shown.Image = QImage(picture.Width, picture.Height, QImage::Format_RGB32);
    if (shown.Image.isNull()) return;  // out of memory: the next picture may fit
    const std::size_t row = std::size_t(picture.Width) * 4;
    for (int y = 0; y < picture.Height; ++y)
      std::memcpy(shown.Image.scanLine(y), picture.Rows + picture.Stride * std::size_t(y), row);
  }
  shown.Full = picture.Full;
  shown.Width = picture.Full ? picture.Full->Width() : picture.Width;
  shown.Height = picture.Full ? picture.Full->Height() : picture.Height;
  if (FShared->WantsJpeg && picture.Full) shown.Jpeg = picture.Full->Jpeg();
  FShared->Queue(std::move(frame));
}

void TRtspCameraSink::State(const std::string& reason,
                            std::chrono::steady_clock::time_point nextTry) {
  if (!reason.empty()) {
    FShared->AudioActive = false;
    FShared->StreamEnded();
  }
  FShared->SetState(reason, nextTry);
}

}  // namespace vexilon
