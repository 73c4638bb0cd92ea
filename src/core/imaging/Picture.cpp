#include "core/imaging/Picture.h"

#include "core/imaging/Bmp.h"
#include "core/imaging/Gif.h"

namespace vexilon {

const char* PictureFormatName(TPictureFormat format) {
  switch (format) {
    case TPictureFormat::Gif:
      return "gif";
    case TPictureFormat::Jpeg:
      return "jpeg";
    default:
      return "bitmap";
  }
}

TPictureFormat ChoosePictureFormat(const std::uint8_t* data, std::size_t size) {
  int width = 0, height = 0;
  if (TGif::Accepts(data, size)) return TPictureFormat::Gif;
  if (JpegSize(data, size, width, height)) return TPictureFormat::Jpeg;
  return TPictureFormat::Bitmap;
}

TDecodedPicture DecodePicture(const std::uint8_t* data, std::size_t size, const TJpegScale& scale,
                              TJpegDecode quality) {
  TDecodedPicture picture;
  picture.Format = ChoosePictureFormat(data, size);
  try {
    switch (picture.Format) {
      case TPictureFormat::Gif: {
        TGif gif;
        gif.Load(data, size);
        // A camera's picture is its first image, not the background before it.
        if (gif.Animated()) gif.ReadNextFrame();
        picture.Bitmap = gif.ToBitmap();
        picture.BitsPerPixel = gif.BitsPerPixel();
        picture.Animated = gif.Animated();
        if (gif.Width() == 0 || gif.Height() == 0) picture.Error = "Not a valid .GIF picture";
        break;
      }
      case TPictureFormat::Jpeg: {
        JpegSize(data, size, picture.Width, picture.Height);
        picture.BitsPerPixel = 24;
        const int denominator = scale ? scale(picture.Width, picture.Height) : 1;
        if (!DecodeJpeg(data, size, picture.Bitmap, denominator, quality))
          picture.Error = "Not a valid JPEG picture";
        break;
      }
      case TPictureFormat::Bitmap:
        picture.BitsPerPixel = DecodeBmp(data, size, picture.Bitmap);
        break;
    }
  } catch (const std::exception& e) {
    picture.Error = e.what();
  }
  if (!picture.Decoded()) {
    picture.Bitmap = TBitmap();
    picture.Width = picture.Height = 0;
  } else if (picture.Format != TPictureFormat::Jpeg) {
    picture.Width = picture.Bitmap.Width;
    picture.Height = picture.Bitmap.Height;
  }
  return picture;
}

}  // namespace vexilon
