#include "ui/camera/FrameDecoder.h"

#include "core/imaging/Picture.h"

namespace vexilon {

int ScaleFor(int pictureWidth, int pictureHeight, int width, int height) {
  if (width <= 0 || height <= 0) return 1;
  for (int scale : {8, 4, 2}) {
    if ((pictureWidth + scale - 1) / scale >= width &&
        (pictureHeight + scale - 1) / scale >= height)
      return scale;
  }
  return 1;
}

TPicture TFrameDecoder::Describe(std::string& bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  TPicture picture;
  if (!FJpeg.ReadSize(data, bytes.size(), picture.Width, picture.Height))
    return Decode(bytes, 0, 0);
  picture.Jpeg.swap(bytes);
  picture.ImageBehind = true;
  return picture;
}

void TFrameDecoder::DecodeImage(TPicture& picture, int drawWidth, int drawHeight) {
  if (!picture.ImageBehind) return;
  picture.ImageBehind = false;
  const auto* data = reinterpret_cast<const std::uint8_t*>(picture.Jpeg.data());
  const int scale = ScaleFor(picture.Width, picture.Height, drawWidth, drawHeight);
  QImage* image = nullptr;
  const TPixelAllocator allocate = [this, &image](int width, int height) {
    image = &FImages.Free(width, height);
    return image->isNull() ? TPixelTarget{}
                           : TPixelTarget{image->bits(), std::size_t(image->bytesPerLine())};
  };
  int width = 0, height = 0;
  if (FJpeg.Decode(data, picture.Jpeg.size(), TPixelLayout::Xrgb32, scale, TJpegDecode::Fast,
                   allocate, width, height)) {
    picture.Image = *image;
  }
}

TPicture TFrameDecoder::Decode(std::string& bytes, int drawWidth, int drawHeight) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  TPicture picture;
  if (FJpeg.ReadSize(data, bytes.size(), picture.Width, picture.Height)) {
    picture.Jpeg.swap(bytes);
    picture.ImageBehind = true;
    DecodeImage(picture, drawWidth, drawHeight);
    if (picture.Image.isNull()) {
      bytes.swap(picture.Jpeg);
      picture = TPicture();
    }
    return picture;
  }
  // GIF and bitmaps: rare enough for the general decoders and a converting copy.
  TDecodedPicture decoded = DecodePicture(data, bytes.size());
  if (!decoded.Decoded()) return picture;
  auto* raw = new TBitmap(std::move(decoded.Bitmap));
  picture.Image = QImage(
      raw->Pixels.data(), raw->Width, raw->Height, qsizetype(raw->Width) * 3, QImage::Format_RGB888,
      [](void* info) { delete static_cast<TBitmap*>(info); }, raw);
  picture.Width = decoded.Width;
  picture.Height = decoded.Height;
  return picture;
}

}  // namespace vexilon
