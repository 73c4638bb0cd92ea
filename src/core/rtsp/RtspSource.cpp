#include "core/rtsp/RtspSource.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "core/audio/WaveOut.h"
#include "core/ffmpeg/LibraryMessages.h"
#include "core/imaging/Jpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

bool Supported(AVCodecID id) {
  return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC || id == AV_CODEC_ID_MJPEG;
}

bool SoundSupported(AVCodecID id) {
  return id == AV_CODEC_ID_PCM_MULAW || id == AV_CODEC_ID_PCM_ALAW || id == AV_CODEC_ID_AAC;
}

std::int16_t FromFloat(float sample) {
  if (std::isnan(sample)) return 0;
  return std::int16_t(std::lround(std::clamp(sample, -1.0f, 1.0f) * 32767.0f));
}

// One sample of channel c at index i of a decoded frame, as 16 bits.
std::int16_t SampleAt(const AVFrame& frame, int channels, int c, int i) {
  const auto format = AVSampleFormat(frame.format);
  const bool planar = av_sample_fmt_is_planar(format) != 0;
  const std::uint8_t* data = frame.extended_data[planar ? c : 0];
  const int at = planar ? i : i * channels + c;
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_S16:
      return reinterpret_cast<const std::int16_t*>(data)[at];
    case AV_SAMPLE_FMT_S32:
      return std::int16_t(reinterpret_cast<const std::int32_t*>(data)[at] >> 16);
    case AV_SAMPLE_FMT_FLT:
      return FromFloat(reinterpret_cast<const float*>(data)[at]);
    case AV_SAMPLE_FMT_DBL:
      return FromFloat(float(reinterpret_cast<const double*>(data)[at]));
    case AV_SAMPLE_FMT_U8:
      return std::int16_t((int(data[at]) - 128) << 8);
    default:
      return 0;
  }
}

bool SaneSize(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxRtspSide && height <= kMaxRtspSide;
}

// FFmpeg's vector code that converts 4:2:0 and 4:2:2 to 32 bits without scaling works on
// whole blocks of pixels: where a row ends within a block it either leaves the row's last
// pixels out or writes past the end of the picture (FFmpeg 5 on x86: 32 bytes past a 1272-wide
// one, 6 pixels left out of each row of a 1366-wide one). Such pictures are converted into
// rows of whole 16-pixel blocks, then copied.
void ConvertUnscaled(SwsContext* converter, const AVFrame& source, std::uint8_t* pixels,
                     std::size_t stride, std::vector<std::uint8_t>& padded) {
  const int width = source.width, height = source.height;
  const int whole = (width + 15) / 16 * 16;
  const bool direct = whole == width && stride == std::size_t(width) * 4;
  std::uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
  if (!direct) {
    padded.resize(std::size_t(whole) * std::size_t(height) * 4);
    planes[0] = padded.data();
  }
  const int strides[4] = {whole * 4, 0, 0, 0};
  sws_scale(converter, source.data, source.linesize, 0, height, planes, strides);
  if (direct) return;
  const std::size_t row = std::size_t(width) * 4;
  for (int y = 0; y < height; ++y)
    std::memcpy(pixels + stride * std::size_t(y),
                padded.data() + std::size_t(whole) * 4 * std::size_t(y), row);
}

}  // namespace

TRtspFrame::TRtspFrame(const AVFrame& frame) : FFrame(av_frame_clone(&frame)) {
  if (FFrame == nullptr) throw ERtspError("Out of memory");
}

TRtspFrame::~TRtspFrame() {
  av_frame_free(&FFrame);
}

int TRtspFrame::Width() const {
  return FFrame->width;
}

int TRtspFrame::Height() const {
  return FFrame->height;
}

std::size_t TRtspFrame::Bytes() const {
  std::size_t bytes = 0;
  for (const AVBufferRef* buffer : FFrame->buf)
    if (buffer != nullptr) bytes += buffer->size;
  return bytes;
}

std::vector<std::uint8_t> TRtspFrame::Pixels() const {
  const int width = FFrame->width, height = FFrame->height;
  SwsContext* scaler = sws_getContext(width, height, AVPixelFormat(FFrame->format), width, height,
                                      AV_PIX_FMT_BGR0, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (scaler == nullptr) return {};
  std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4), padded;
  ConvertUnscaled(scaler, *FFrame, pixels.data(), std::size_t(width) * 4, padded);
  sws_freeContext(scaler);
  return pixels;
}

std::string TRtspFrame::Jpeg(int quality) const {
  const std::vector<std::uint8_t> pixels = Pixels();
  if (pixels.empty()) return {};
  return EncodeJpeg(pixels.data(), Width(), Height(), TPixelLayout::Xrgb32, quality);
}

struct TRtspSource::TState {
  ~TState() {
    sws_freeContext(Scaler);
    sws_freeContext(Converter);
    av_frame_free(&Scaled);
    avcodec_free_context(&SoundDecoder);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    avcodec_free_context(&Decoder);
    avformat_close_input(&Format);
  }
  AVFormatContext* Format = nullptr;
  AVCodecContext* Decoder = nullptr;
  SwsContext* Scaler = nullptr;
  AVCodecContext* SoundDecoder = nullptr;
  // A picture drawn smaller is scaled as 4:2:0, then converted to 32 bits without scaling:
  // both steps have FFmpeg's vector code, its scaling conversion to 32 bits has none and
  // takes three times as long at sizes such as 611x344.
  SwsContext* Converter = nullptr;
  AVFrame* Scaled = av_frame_alloc();
  std::vector<std::uint8_t> Padded;  // see ConvertUnscaled
  AVPacket* Packet = av_packet_alloc();
  AVFrame* Frame = av_frame_alloc();
  int Video = -1;
  int Audio = -1;
  std::optional<std::int64_t> Origin;
  double LastSeconds = 0;
};

TRtspSource::TRtspSource(TRtspOptions options)
    : FOptions(std::move(options)), FState(std::make_unique<TState>()) {
  RouteLibraryMessages();
}

TRtspSource::~TRtspSource() = default;

int TRtspSource::Interrupted(void* self) {
  const auto* source = static_cast<const TRtspSource*>(self);
  return source->FInterrupted ||
         TClock::now().time_since_epoch().count() > source->FDeadline.load();
}

void TRtspSource::Arm() {
  FDeadline = (TClock::now() + FOptions.Timeout).time_since_epoch().count();
}

void TRtspSource::Fail(int code, const std::string& doing) const {
  if (FInterrupted) throw ERtspError("Stopped");
  if (code == AVERROR_EXIT || TClock::now().time_since_epoch().count() > FDeadline.load()) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(FOptions.Timeout);
    throw ERtspError("No answer from the camera for " + std::to_string(seconds.count()) +
                     " s while " + doing);
  }
  switch (code) {
    case AVERROR_HTTP_UNAUTHORIZED:
      throw ERtspError("The camera refused the user name or password (401)");
    case AVERROR_HTTP_FORBIDDEN:
      throw ERtspError("The camera refused access (403)");
    case AVERROR_HTTP_NOT_FOUND:
      throw ERtspError("The camera has no stream at this address (404)");
    // The words an HTTP camera's window uses for the same failures.
    case AVERROR(ECONNREFUSED):
      throw ERtspError("Connection refused");
    case AVERROR(ETIMEDOUT):
      throw ERtspError("The camera did not answer");
    case AVERROR(EHOSTUNREACH):
    case AVERROR(ENETUNREACH):
      throw ERtspError("The camera cannot be reached");
    default:
      throw ERtspError(LibraryWords(code) + " while " + doing);
  }
}

void TRtspSource::Open() {
  TState& state = *FState;
  state.Format = avformat_alloc_context();
  if (state.Format == nullptr || state.Packet == nullptr || state.Frame == nullptr ||
      state.Scaled == nullptr)
    throw ERtspError("Out of memory");
  state.Format->interrupt_callback = {&TRtspSource::Interrupted, this};
  AVDictionary* settings = nullptr;
  av_dict_set(&settings, "rtsp_transport", FOptions.Tcp ? "tcp" : "udp", 0);
  // Shown at once: the description and a second of stream say all a window needs, and two
  // pictures' times say the frame rate well enough for the header text (the default twenty
  // held the first picture back by most of a second).
  av_dict_set(&settings, "analyzeduration", "1000000", 0);
  av_dict_set(&settings, "fpsprobesize", "2", 0);
  Arm();
  const int opened = avformat_open_input(&state.Format, FOptions.Url.c_str(), nullptr, &settings);
  av_dict_free(&settings);
  if (opened < 0) Fail(opened, "opening the stream");
  Arm();
  if (const int found = avformat_find_stream_info(state.Format, nullptr); found < 0)
    Fail(found, "reading the stream's description");

  const AVCodec* codec = nullptr;
  state.Video = av_find_best_stream(state.Format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (state.Video < 0 || codec == nullptr) throw ERtspError("The camera offers no pictures");
  const AVStream* stream = state.Format->streams[state.Video];
  const AVCodecParameters* parameters = stream->codecpar;
  FInfo.Codec = avcodec_get_name(parameters->codec_id);
  if (!Supported(parameters->codec_id))
    throw ERtspError("The camera sends " + FInfo.Codec + " pictures, which cannot be shown");
  // A description without the size, and no picture within the analysis to tell it.
  if (parameters->width == 0 && parameters->height == 0)
    throw ERtspError("The camera sent no picture while opening the stream");
  if (!SaneSize(parameters->width, parameters->height))
    throw ERtspError("The camera describes pictures of " + std::to_string(parameters->width) + "x" +
                     std::to_string(parameters->height) + ", which cannot be shown");
  FInfo.Width = parameters->width;
  FInfo.Height = parameters->height;
  const AVRational rate = av_guess_frame_rate(state.Format, const_cast<AVStream*>(stream), nullptr);
  FInfo.FrameRate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
  state.Audio = av_find_best_stream(state.Format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (state.Audio >= 0) {
    FInfo.AudioCodec = avcodec_get_name(state.Format->streams[state.Audio]->codecpar->codec_id);
    if (FOptions.Sound) OpenSound();
  }

  state.Decoder = avcodec_alloc_context3(codec);
  if (state.Decoder == nullptr || avcodec_parameters_to_context(state.Decoder, parameters) < 0)
    throw ERtspError("Out of memory");
  // One thread a camera: many windows share the machine, and a frame is not held back.
  state.Decoder->thread_count = 1;
  if (const int ready = avcodec_open2(state.Decoder, codec, nullptr); ready < 0)
    Fail(ready, "preparing the decoder");
}

void TRtspSource::OpenSound() {
  TState& state = *FState;
  const AVCodecParameters* parameters = state.Format->streams[state.Audio]->codecpar;
  if (!SoundSupported(parameters->codec_id)) return;  // pictures without sound then
  const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
  if (codec == nullptr) return;
  state.SoundDecoder = avcodec_alloc_context3(codec);
  if (state.SoundDecoder == nullptr ||
      avcodec_parameters_to_context(state.SoundDecoder, parameters) < 0 ||
      avcodec_open2(state.SoundDecoder, codec, nullptr) < 0) {
    avcodec_free_context(&state.SoundDecoder);
    return;
  }
  FInfo.SoundDecoded = true;
}

void TRtspSource::DecodeSound() {
  TState& state = *FState;
  if (avcodec_send_packet(state.SoundDecoder, state.Packet) < 0) return;
  while (avcodec_receive_frame(state.SoundDecoder, state.Frame) >= 0) {
    const AVFrame& frame = *state.Frame;
    const int channels = frame.ch_layout.nb_channels;
    // The output's own bounds: sound beyond them would never be played.
    if (channels >= 1 && channels <= kMaxSoundChannels && frame.sample_rate >= int(kMinSoundRate) &&
        frame.sample_rate <= int(kMaxSoundRate) && frame.nb_samples > 0) {
      FSound.Rate = frame.sample_rate;
      FSound.Channels = channels;
      FSound.Samples.resize(std::size_t(frame.nb_samples) * std::size_t(channels));
      for (int i = 0; i < frame.nb_samples; ++i)
        for (int c = 0; c < channels; ++c)
          FSound.Samples[std::size_t(i) * std::size_t(channels) + std::size_t(c)] =
              SampleAt(frame, channels, c, i);
      if (FSoundHandler) FSoundHandler(FSound);
    }
    av_frame_unref(state.Frame);
  }
}

std::optional<TRtspPacket> TRtspSource::ReadPicture() {
  TState& state = *FState;
  // Once for the picture, not for each packet: sound alone does not keep a frozen picture alive.
  Arm();
  for (;;) {
    av_packet_unref(state.Packet);
    const int read = av_read_frame(state.Format, state.Packet);
    if (read == AVERROR_EOF) return std::nullopt;
    if (read < 0) Fail(read, "reading the stream");
    if (state.Packet->stream_index == state.Audio && state.SoundDecoder != nullptr &&
        state.Packet->size <= kMaxRtspPacketBytes)
      DecodeSound();
    if (state.Packet->stream_index != state.Video) continue;
    if (state.Packet->size > kMaxRtspPacketBytes)
      throw ERtspError("The camera sent a picture of " + std::to_string(state.Packet->size) +
                       " bytes, more than can be shown");
    TRtspPacket packet;
    packet.Bytes = state.Packet->size;
    packet.Key = (state.Packet->flags & AV_PKT_FLAG_KEY) != 0;
    // Time from the stream's start, as ffmpeg's own tools count it; a picture without a
    // stamp (the first of a stream may have none) keeps the last one's.
    const AVStream& stream = *state.Format->streams[state.Video];
    const std::int64_t stamp =
        state.Packet->pts != AV_NOPTS_VALUE ? state.Packet->pts : state.Packet->dts;
    if (stamp != AV_NOPTS_VALUE) {
      if (!state.Origin)
        state.Origin = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : stamp;
      state.LastSeconds = double(stamp - *state.Origin) * av_q2d(stream.time_base);
    }
    packet.Seconds = state.LastSeconds;
    return packet;
  }
}

void TRtspSource::Flush() {
  if (FState->Decoder != nullptr) avcodec_flush_buffers(FState->Decoder);
}

bool TRtspSource::Decode(TRtspPicture& picture, int maxWidth, int maxHeight,
                         const TPixelAllocator& target) {
  TState& state = *FState;
  // A broken packet is skipped: the next key frame mends the picture.
  if (avcodec_send_packet(state.Decoder, state.Packet) < 0) return false;
  if (avcodec_receive_frame(state.Decoder, state.Frame) < 0) return false;
  const AVFrame& frame = *state.Frame;
  if (!SaneSize(frame.width, frame.height)) return false;
  int width = frame.width, height = frame.height;
  if (maxWidth > 0 && maxHeight > 0 && (width > maxWidth || height > maxHeight)) {
    const double scale = std::min(double(maxWidth) / width, double(maxHeight) / height);
    width = std::max(1, int(std::lround(width * scale)));
    height = std::max(1, int(std::lround(height * scale)));
  }
  picture.Width = width;
  picture.Height = height;
  // Straight into the caller's buffer (a picture about to be painted) saves a copy a frame.
  const TPixelTarget given = target ? target(width, height) : TPixelTarget{};
  std::uint8_t* rows = given.Pixels;
  picture.Stride = given.Stride;
  if (rows == nullptr || picture.Stride < std::size_t(width) * 4) {
    picture.Stride = std::size_t(width) * 4;
    picture.Pixels.resize(std::size_t(width) * std::size_t(height) * 4);
    rows = picture.Pixels.data();
  }
  picture.Rows = rows;
  // A camera that changes its size midway gets new scalers; the same size keeps the old ones.
  if (width == frame.width && height == frame.height) {
    state.Scaler = sws_getCachedContext(state.Scaler, frame.width, frame.height,
                                        AVPixelFormat(frame.format), width, height, AV_PIX_FMT_BGR0,
                                        SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    if (state.Scaler == nullptr) return false;
    ConvertUnscaled(state.Scaler, frame, rows, picture.Stride, state.Padded);
  } else {
    const AVPixelFormat planar =
        frame.format == AV_PIX_FMT_YUVJ420P ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
    AVFrame& scaled = *state.Scaled;
    if (scaled.width != width || scaled.height != height || scaled.format != planar) {
      av_frame_unref(&scaled);
      scaled.width = width;
      scaled.height = height;
      scaled.format = planar;
      if (av_frame_get_buffer(&scaled, 0) < 0) {
        av_frame_unref(&scaled);  // asked for again with the next picture
        return false;
      }
    }
    state.Scaler =
        sws_getCachedContext(state.Scaler, frame.width, frame.height, AVPixelFormat(frame.format),
                             width, height, planar, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    state.Converter =
        sws_getCachedContext(state.Converter, width, height, planar, width, height, AV_PIX_FMT_BGR0,
                             SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    if (state.Scaler == nullptr || state.Converter == nullptr) return false;
    sws_scale(state.Scaler, frame.data, frame.linesize, 0, frame.height, scaled.data,
              scaled.linesize);
    ConvertUnscaled(state.Converter, scaled, rows, picture.Stride, state.Padded);
  }
  // Shares the decoder's buffers rather than copying them.
  picture.Full = std::make_shared<const TRtspFrame>(frame);
  av_frame_unref(state.Frame);
  return true;
}

}  // namespace vexilon
