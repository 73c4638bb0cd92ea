#include "core/export/VideoExport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
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

std::string FileName(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The video file being written: the container, and for MP4 the H.264 encoder and the scaler
// that turns each decoded JPEG into its planes.
class TVideoWriter {
 public:
  TVideoWriter(const std::string& path, TVideoFormat format, int width, int height)
      : FPath(path), FFormat(format) {
    if (avformat_alloc_output_context2(
            &FOutput, nullptr, format == TVideoFormat::Mp4 ? "mp4" : "matroska", path.c_str()) < 0)
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
    if (const int opened = avio_open(&FOutput->pb, path.c_str(), AVIO_FLAG_WRITE); opened < 0)
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
    FScaler = sws_getCachedContext(FScaler, bitmap.Width, bitmap.Height, AV_PIX_FMT_RGB24,
                                   FEncoder->width, FEncoder->height, AV_PIX_FMT_YUV420P,
                                   SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (FScaler == nullptr || av_frame_make_writable(FFrame) < 0)
      throw EVideoExport("Out of memory");
    const std::uint8_t* rows[1] = {bitmap.Pixels.data()};
    const int strides[1] = {bitmap.Width * 3};
    sws_scale(FScaler, rows, strides, 0, bitmap.Height, FFrame->data, FFrame->linesize);
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
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (codec == nullptr) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (codec == nullptr) throw EVideoExport("No H.264 encoder is installed: export to .mkv");
    FEncoder = avcodec_alloc_context3(codec);
    FFrame = av_frame_alloc();
    if (FEncoder == nullptr || FFrame == nullptr) throw EVideoExport("Out of memory");
    // 4:2:0 planes need even sides.
    FEncoder->width = std::max(2, width & ~1);
    FEncoder->height = std::max(2, height & ~1);
    FEncoder->pix_fmt = AV_PIX_FMT_YUV420P;
    FEncoder->time_base = kMillisecond;
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
  TMultiCaptureReader reader;
  reader.Open(options.Source);
  while (!reader.IndexStep(4096)) {
  }
  const auto count = std::int32_t(reader.FrameIndex().size());
  const std::int32_t last = options.Last == 0 ? count : options.Last;
  if (count == 0) throw EVideoExport(FileName(options.Source) + " holds no frames");
  if (options.First < 1 || last < options.First || last > count)
    throw EVideoExport("Frames " + std::to_string(options.First) + " to " + std::to_string(last) +
                       " are not in " + FileName(options.Source) + ", which holds " +
                       std::to_string(count) + " frames");
  const std::int32_t total = last - options.First + 1;
  if (!options.Window && reader.ReadFrame(std::size_t(options.First - 1)).Images.size() > 1)
    throw EVideoExport(FileName(options.Source) +
                       " is a recording of several windows: choose the window to export");

  TPartFile part{options.Target + ".part"};
  std::unique_ptr<TVideoWriter> writer;
  std::chrono::system_clock::time_point start;
  // Each picture is written once the next one tells how long it was shown.
  struct TPending {
    std::string Jpeg;
    std::int64_t Millis = 0;
  };
  std::optional<TPending> pending;
  std::int64_t lastDuration = kDefaultDuration;
  TVideoExportResult result;
  const auto add = [&](std::int64_t until) {
    lastDuration = until - pending->Millis;
    if (writer->Add(pending->Jpeg, pending->Millis, lastDuration)) ++result.Frames;
  };
  for (std::int32_t n = options.First; n <= last; ++n) {
    TCaptureFrame frame = reader.ReadFrame(std::size_t(n - 1));
    TCaptureImage* image = ChosenImage(frame, options.Window);
    int width = 0, height = 0;
    if (image != nullptr && JpegSize(reinterpret_cast<const std::uint8_t*>(image->Jpeg.data()),
                                     image->Jpeg.size(), width, height)) {
      if (!writer) {
        writer = std::make_unique<TVideoWriter>(part.Path, options.Format, width, height);
        start = frame.Time;
      }
      // Recorded times as they are; a clock that stepped back still gives rising stamps.
      std::int64_t millis = std::chrono::duration_cast<TMillis>(frame.Time - start).count();
      if (pending) {
        millis = std::max(millis, pending->Millis + 1);
        add(millis);
      }
      pending = TPending{std::move(image->Jpeg), millis};
    }
    if (progress && !progress(n - options.First + 1, total)) {
      result.Cancelled = true;
      return result;
    }
  }
  if (!writer)
    throw EVideoExport(options.Window ? "Window " + std::to_string(*options.Window) +
                                            " has no pictures in these frames"
                                      : "These frames hold no pictures");
  add(pending->Millis + lastDuration);
  writer->Finish();
  writer.reset();
  std::error_code error;
  std::filesystem::rename(part.Path, options.Target, error);
  if (error)
    throw EVideoExport(FileName(options.Target) + " could not be written: " + error.message());
  part.Kept = true;
  return result;
}

}  // namespace vexilon
