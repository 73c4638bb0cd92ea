#include "core/export/VideoExport.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

#include "core/capture/MultiCaptureReader.h"
#include "core/ffmpeg/LibraryMessages.h"
#include "core/imaging/Jpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace vexilon {
namespace {

using TMillis = std::chrono::milliseconds;
constexpr AVRational kMillisecond = {1, 1000};
// How long the only picture of an export is shown: a frame of 25 per second.
constexpr std::int64_t kDefaultDuration = 40;
// The longest a picture is shown: a recording resumed days later plays on after an hour, and
// no duration comes near what MP4 can hold (2^31 ms).
constexpr std::int64_t kLongestShown = 3600 * 1000;

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// Where a picture goes in the encoder's frame. One a pixel larger than the frame (an odd side
// of the first picture, which set the frame's size) loses its last column or row; one of
// another size is scaled to fit, keeping its shape, and centred on black.
struct TPlacement {
  int SourceWidth, SourceHeight;  // of the picture, from its top left
  int X, Y, Width, Height;        // in the frame, all even
};

TPlacement Place(int width, int height, int frameWidth, int frameHeight) {
  const int extraWidth = width - frameWidth, extraHeight = height - frameHeight;
  if (extraWidth >= 0 && extraWidth <= 1 && extraHeight >= 0 && extraHeight <= 1)
    return {frameWidth, frameHeight, 0, 0, frameWidth, frameHeight};
  const double scale = std::min(double(frameWidth) / width, double(frameHeight) / height);
  const int fitWidth = std::clamp(int(std::lround(width * scale)) & ~1, 2, frameWidth);
  const int fitHeight = std::clamp(int(std::lround(height * scale)) & ~1, 2, frameHeight);
  return {width,    height,   (frameWidth - fitWidth) / 2 & ~1, (frameHeight - fitHeight) / 2 & ~1,
          fitWidth, fitHeight};
}

// Black in limited-range 4:2:0.
void Blacken(AVFrame& frame) {
  for (int y = 0; y < frame.height; ++y)
    std::memset(frame.data[0] + y * frame.linesize[0], 16, std::size_t(frame.width));
  for (int plane = 1; plane <= 2; ++plane) {
    for (int y = 0; y < (frame.height + 1) / 2; ++y)
      std::memset(frame.data[plane] + y * frame.linesize[plane], 128,
                  std::size_t((frame.width + 1) / 2));
  }
}

// The video file being written: the container, and for MP4 the H.264 encoder and the scaler
// that turns each decoded JPEG into its planes.
class TVideoWriter {
 public:
  TVideoWriter(const std::string& path, TVideoFormat format) : FPath(path), FFormat(format) {}

  // Apart from the constructor, so that the destructor frees what a failure leaves.
  void Open(int width, int height) {
    const TVideoFormat format = FFormat;
    if (FPacket == nullptr ||
        avformat_alloc_output_context2(
            &FOutput, nullptr, format == TVideoFormat::Mp4 ? "mp4" : "matroska", FPath.c_str()) < 0)
      throw EVideoExport("Out of memory");
    FStream = avformat_new_stream(FOutput, nullptr);
    if (FStream == nullptr) throw EVideoExport("Out of memory");
    FStream->time_base = kMillisecond;
    if (format == TVideoFormat::Mp4) {
      OpenEncoder(width, height);
    } else {
      AVCodecParameters& parameters = *FStream->codecpar;
      parameters.codec_type = AVMEDIA_TYPE_VIDEO;
      parameters.codec_id = AV_CODEC_ID_MJPEG;
      parameters.width = width;
      parameters.height = height;
    }
    if (const int opened = avio_open(&FOutput->pb, FPath.c_str(), AVIO_FLAG_WRITE); opened < 0)
      Fail(opened);
    AVDictionary* settings = nullptr;
    // A shared file starts playing before it has all come.
    if (format == TVideoFormat::Mp4) av_dict_set(&settings, "movflags", "+faststart", 0);
    const int written = avformat_write_header(FOutput, &settings);
    av_dict_free(&settings);
    if (written < 0) Fail(written);
  }

  ~TVideoWriter() {
    sws_freeContext(FScaler);
    av_frame_free(&FFrame);
    av_packet_free(&FPacket);
    avcodec_free_context(&FEncoder);
    if (FOutput != nullptr) avio_closep(&FOutput->pb);
    avformat_free_context(FOutput);
  }

  // A picture shown from millis for duration; answers false for one that does not decode
  // (MP4 only), which is left out.
  bool Add(const std::string& jpeg, std::int64_t millis, std::int64_t duration) {
    if (FFormat == TVideoFormat::Matroska) {
      if (av_new_packet(FPacket, int(jpeg.size())) < 0) throw EVideoExport("Out of memory");
      std::copy(jpeg.begin(), jpeg.end(), FPacket->data);
      FPacket->pts = FPacket->dts = millis;
      FPacket->duration = duration;
      FPacket->flags |= AV_PKT_FLAG_KEY;
      Write(kMillisecond);
      return true;
    }
    TBitmap bitmap;
    if (!DecodeJpeg(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(), bitmap))
      return false;
    const TPlacement at = Place(bitmap.Width, bitmap.Height, FEncoder->width, FEncoder->height);
    FScaler =
        sws_getCachedContext(FScaler, at.SourceWidth, at.SourceHeight, AV_PIX_FMT_RGB24, at.Width,
                             at.Height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (FScaler == nullptr || av_frame_make_writable(FFrame) < 0)
      throw EVideoExport("Out of memory");
    if (at.Width != FEncoder->width || at.Height != FEncoder->height) Blacken(*FFrame);
    std::uint8_t* const planes[3] = {FFrame->data[0] + at.Y * FFrame->linesize[0] + at.X,
                                     FFrame->data[1] + at.Y / 2 * FFrame->linesize[1] + at.X / 2,
                                     FFrame->data[2] + at.Y / 2 * FFrame->linesize[2] + at.X / 2};
    const std::uint8_t* rows[1] = {bitmap.Pixels.data()};
    const int strides[1] = {bitmap.Width * 3};
    sws_scale(FScaler, rows, strides, 0, at.SourceHeight, planes, FFrame->linesize);
    FFrame->pts = millis;
    // The encoder's packets come in its own order; each finds its duration by its time.
    FDurations[millis] = duration;
    Encode(FFrame);
    return true;
  }

  void Finish() {
    if (FEncoder != nullptr) Encode(nullptr);
    if (const int ended = av_write_trailer(FOutput); ended < 0) Fail(ended);
    if (const int closed = avio_closep(&FOutput->pb); closed < 0) Fail(closed);
  }

 private:
  void OpenEncoder(int width, int height) {
    // Only the software encoder: a hardware one may be listed and still fail on this machine.
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) throw EVideoExport("No H.264 encoder is installed: export to .mkv");
    FEncoder = avcodec_alloc_context3(codec);
    FFrame = av_frame_alloc();
    if (FEncoder == nullptr || FFrame == nullptr) throw EVideoExport("Out of memory");
    // 4:2:0 planes need even sides.
    FEncoder->width = std::max(2, width & ~1);
    FEncoder->height = std::max(2, height & ~1);
    FEncoder->pix_fmt = AV_PIX_FMT_YUV420P;
    FEncoder->time_base = kMillisecond;
    // A nominal rate for the stream's level; the pictures keep their own times.
    FEncoder->framerate = {25, 1};
    // What the scaler makes, said in the file so that players show the colours as recorded.
    FEncoder->colorspace = AVCOL_SPC_BT470BG;
    FEncoder->color_range = AVCOL_RANGE_MPEG;
    if (FOutput->oformat->flags & AVFMT_GLOBALHEADER)
      FEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(FEncoder->priv_data, "preset", "veryfast", 0);
    av_opt_set(FEncoder->priv_data, "crf", "23", 0);
    if (const int opened = avcodec_open2(FEncoder, codec, nullptr); opened < 0) Fail(opened);
    if (avcodec_parameters_from_context(FStream->codecpar, FEncoder) < 0)
      throw EVideoExport("Out of memory");
    FFrame->format = FEncoder->pix_fmt;
    FFrame->width = FEncoder->width;
    FFrame->height = FEncoder->height;
    if (av_frame_get_buffer(FFrame, 0) < 0) throw EVideoExport("Out of memory");
  }

  void Encode(const AVFrame* frame) {
    if (const int sent = avcodec_send_frame(FEncoder, frame); sent < 0) Fail(sent);
    for (;;) {
      const int received = avcodec_receive_packet(FEncoder, FPacket);
      if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
      if (received < 0) Fail(received);
      // Without it MP4 gives the last picture no time, and players leave it out.
      if (const auto known = FDurations.find(FPacket->pts); known != FDurations.end()) {
        FPacket->duration = known->second;
        FDurations.erase(known);
      }
      Write(FEncoder->time_base);
    }
  }

  void Write(AVRational from) {
    FPacket->stream_index = FStream->index;
    av_packet_rescale_ts(FPacket, from, FStream->time_base);
    if (const int written = av_interleaved_write_frame(FOutput, FPacket); written < 0)
      Fail(written);
  }

  [[noreturn]] void Fail(int code) const {
    throw EVideoExport(FileName(FPath) + " could not be written: " + LibraryWords(code));
  }

  const std::string FPath;
  const TVideoFormat FFormat;
  AVFormatContext* FOutput = nullptr;
  AVStream* FStream = nullptr;
  AVCodecContext* FEncoder = nullptr;
  SwsContext* FScaler = nullptr;
  AVFrame* FFrame = nullptr;
  AVPacket* FPacket = av_packet_alloc();
  std::map<std::int64_t, std::int64_t> FDurations;  // of pictures the encoder still holds
};

// A name beside target that no file has yet, for the file while it is written.
std::string UnusedPartName(const std::string& target) {
  std::random_device random;
  for (;;) {
    const std::string name = target + "." + std::to_string(random() % 1000000) + ".part";
    std::error_code ignored;
    if (!std::filesystem::exists(name, ignored)) return name;
  }
}

// The written file under its temporary name, removed unless it was renamed to the target.
struct TPartFile {
  std::string Path;
  bool Kept = false;
  ~TPartFile() {
    std::error_code ignored;
    if (!Kept) std::filesystem::remove(Path, ignored);
  }
};

// The picture of frame the export takes: the chosen window's, or the only one.
TCaptureImage* ChosenImage(TCaptureFrame& frame, const std::optional<std::int32_t>& window) {
  for (TCaptureImage& image : frame.Images)
    if (!window || image.WindowNumber == *window) return &image;
  return nullptr;
}

}  // namespace

TVideoFormat VideoFormatFor(const std::string& target) {
  std::string extension = std::filesystem::path(target).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return extension == ".mp4" || extension == ".m4v" ? TVideoFormat::Mp4 : TVideoFormat::Matroska;
}

TVideoExportResult ExportVideo(const TVideoExportOptions& options,
                               const TVideoExportProgress& progress) {
  RouteLibraryMessages();
  std::error_code same;
  if (std::filesystem::equivalent(options.Source, options.Target, same))
    throw EVideoExport("The video cannot replace the recording it is made of");
  TMultiCaptureReader reader;
  reader.Open(options.Source);
  // A long file takes a while to walk: the walk counts as the first step, and can be cancelled.
  while (!reader.IndexStep(4096)) {
    if (progress && !progress(0, 1)) return {true, 0};
  }
  const auto count = std::int32_t(reader.FrameIndex().size());
  const std::int32_t last = options.Last == 0 ? count : options.Last;
  if (count == 0) throw EVideoExport(FileName(options.Source) + " holds no frames");
  if (options.First < 1 || last < options.First || last > count)
    throw EVideoExport("Frames " + std::to_string(options.First) + " to " + std::to_string(last) +
                       " are not in " + FileName(options.Source) + ", which holds " +
                       std::to_string(count) + " frames");
  const std::int32_t total = last - options.First + 1;
  const std::string severalWindows =
      FileName(options.Source) + " is a recording of several windows: choose the window to export";

  TPartFile part{UnusedPartName(options.Target)};
  TVideoWriter writer(part.Path, options.Format);
  bool opened = false;
  std::int64_t start = 0;    // the first picture's time, in milliseconds
  std::int64_t skipped = 0;  // of gaps longer than a picture is shown
  // Each picture is written once the next one tells how long it was shown.
  struct TPending {
    std::string Jpeg;
    std::int64_t Millis = 0;
  };
  std::optional<TPending> pending;
  std::int64_t lastDuration = kDefaultDuration;
  std::optional<std::int32_t> window = options.Window;
  TVideoExportResult result;
  const auto add = [&](std::int64_t until) {
    lastDuration = until - pending->Millis;
    if (writer.Add(pending->Jpeg, pending->Millis, lastDuration)) ++result.Frames;
  };
  for (std::int32_t n = options.First; n <= last; ++n) {
    TCaptureFrame frame = reader.ReadFrame(std::size_t(n - 1));
    // Without a window chosen, the recording must be of one window only.
    if (!options.Window) {
      for (const TCaptureImage& image : frame.Images) {
        if (!window) window = image.WindowNumber;
        if (image.WindowNumber != *window) throw EVideoExport(severalWindows);
      }
    }
    TCaptureImage* image = ChosenImage(frame, window);
    int width = 0, height = 0;
    if (image != nullptr && JpegSize(reinterpret_cast<const std::uint8_t*>(image->Jpeg.data()),
                                     image->Jpeg.size(), width, height)) {
      // Milliseconds since the epoch: a difference of two far-apart damaged stamps cannot
      // overflow as nanoseconds would.
      const std::int64_t time =
          std::chrono::duration_cast<TMillis>(frame.Time.time_since_epoch()).count();
      if (!opened) {
        writer.Open(width, height);
        opened = true;
        start = time;
      }
      // Recorded times as they are; a clock that stepped back still gives rising stamps, and a
      // pause longer than kLongestShown is shortened to it.
      std::int64_t millis = time - start - skipped;
      if (pending) {
        millis = std::max(millis, pending->Millis + 1);
        if (millis - pending->Millis > kLongestShown) {
          skipped += millis - pending->Millis - kLongestShown;
          millis = pending->Millis + kLongestShown;
        }
        add(millis);
      }
      pending = TPending{std::move(image->Jpeg), millis};
    }
    if (progress && !progress(n - options.First + 1, total)) return {true, result.Frames};
  }
  if (!opened)
    throw EVideoExport(options.Window ? "Window " + std::to_string(*options.Window) +
                                            " has no pictures in these frames"
                                      : "These frames hold no pictures");
  add(pending->Millis + lastDuration);
  if (result.Frames == 0) throw EVideoExport("None of these pictures could be decoded");
  writer.Finish();
  // The file is complete only now (MP4 moves its index to the front at the end): a cancel
  // during that still leaves nothing.
  if (progress && !progress(total, total)) return {true, result.Frames};
  std::error_code error;
  std::filesystem::rename(part.Path, options.Target, error);
  if (error)
    throw EVideoExport(FileName(options.Target) + " could not be written: " + error.message());
  part.Kept = true;
  return result;
}

}  // namespace vexilon
