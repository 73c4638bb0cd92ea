#include "core/imaging/Jpeg.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

// jpeglib.h expects FILE and size_t to be declared first.
#include <jpeglib.h>
// After jpeglib.h: the error codes.
#include <jerror.h>

namespace vexilon {
namespace {

// A progressive file may hold any number of scans, each a pass over the whole picture; real
// encoders write about ten.
constexpr int kMaxScans = 256;
constexpr int kRowsPerRead = 16;

// libjpeg reports a fatal error by calling error_exit, which must not return; its default
// ends the process. Ours jumps back to the frame that called setjmp. Those frames hold no
// C++ object with a destructor, so the jump skips nothing that needs unwinding.
struct TErrorManager {
  jpeg_error_mgr Base;
  std::jmp_buf Jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<TErrorManager*>(info->err)->Jump, 1);
}

// Warnings (corrupt data, a missing end marker) are counted, never printed.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}

void ProgressMonitor(j_common_ptr info) {
  if (info->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
    info->err->msg_code = JERR_NOT_COMPILED;
    ErrorExit(info);
  }
}

jpeg_error_mgr* InitErrors(TErrorManager& manager) {
  jpeg_error_mgr* base = jpeg_std_error(&manager.Base);
  base->error_exit = ErrorExit;
  base->emit_message = EmitMessage;
  base->output_message = OutputMessage;
  return base;
}

bool SizeAllowed(JDIMENSION width, JDIMENSION height) {
  return width > 0 && height > 0 && width <= JDIMENSION(kMaxJpegSide) &&
         height <= JDIMENSION(kMaxJpegSide) && std::int64_t(width) * height <= kMaxJpegPixels;
}

// Adobe files store CMYK inverted; the usual approximation gives each channel times K.
void CmykToRgb(const std::uint8_t* cmyk, std::uint8_t* out, JDIMENSION width, bool inverted,
               TPixelLayout layout) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
    int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    const std::uint8_t r = std::uint8_t(c * k / 255), g = std::uint8_t(m * k / 255),
                       b = std::uint8_t(y * k / 255);
    if (layout == TPixelLayout::Rgb24) {
      *out++ = r, *out++ = g, *out++ = b;
    } else {
      const std::uint32_t word = 0xff000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
      std::memcpy(out, &word, 4);
      out += 4;
    }
  }
}

// The colour space that writes 0xffRRGGBB words in this machine's byte order.
constexpr J_COLOR_SPACE kXrgbSpace =
    std::endian::native == std::endian::little ? JCS_EXT_BGRA : JCS_EXT_ARGB;

struct TDecodeJob {
  const std::uint8_t* Data;
  std::size_t Size;
  int Scale;
  bool HeaderOnly;
  bool Fast;
  TPixelLayout Layout;
  const TPixelAllocator* Allocate;
  int* Width;
  int* Height;
  std::vector<std::uint8_t>* CmykRow;
};

// Every libjpeg call of a decode happens here, below the setjmp. Allocation failures of the
// output throw std::bad_alloc through this frame to the caller, which owns the cleanup.
bool RunDecode(jpeg_decompress_struct& info, TErrorManager& errors, const TDecodeJob& job) {
  if (setjmp(errors.Jump) != 0) return false;
  jpeg_mem_src(&info, job.Data, static_cast<unsigned long>(job.Size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  if (!SizeAllowed(info.image_width, info.image_height)) return false;
  if (job.HeaderOnly) {
    *job.Width = int(info.image_width);
    *job.Height = int(info.image_height);
    return true;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  const bool rgb = job.Layout == TPixelLayout::Rgb24;
  info.out_color_space = cmyk ? JCS_CMYK : rgb ? JCS_RGB : kXrgbSpace;
  info.scale_num = 1;
  info.scale_denom = unsigned(job.Scale);
  info.dct_method = job.Fast ? JDCT_IFAST : JDCT_ISLOW;
  info.do_fancy_upsampling = job.Fast ? FALSE : TRUE;
  jpeg_calc_output_dimensions(&info);
  if (!SizeAllowed(info.output_width, info.output_height)) return false;
  if (info.output_components != (cmyk || !rgb ? 4 : 3)) return false;

  const TPixelTarget target = (*job.Allocate)(int(info.output_width), int(info.output_height));
  const std::size_t rowBytes = std::size_t(info.output_width) * (rgb ? 3 : 4);
  if (target.Pixels == nullptr || target.Stride < rowBytes) return false;
  if (cmyk) job.CmykRow->resize(std::size_t(info.output_width) * 4);
  jpeg_start_decompress(&info);
  const bool inverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    std::uint8_t* row = target.Pixels + target.Stride * info.output_scanline;
    if (cmyk) {
      JSAMPROW source = job.CmykRow->data();
      jpeg_read_scanlines(&info, &source, 1);
      CmykToRgb(job.CmykRow->data(), row, info.output_width, inverted, job.Layout);
      continue;
    }
    JSAMPROW rows[kRowsPerRead];
    const JDIMENSION count =
        std::min<JDIMENSION>(kRowsPerRead, info.output_height - info.output_scanline);
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = row + target.Stride * i;
    jpeg_read_scanlines(&info, rows, count);
  }
  *job.Width = int(info.output_width);
  *job.Height = int(info.output_height);
  // The rest of the file (its end marker, trailing bytes) does not matter to the picture:
  // no jpeg_finish_decompress.
  return true;
}

}  // namespace

struct TJpegDecoder::TState {
  jpeg_decompress_struct Info{};
  TErrorManager Errors{};
  jpeg_progress_mgr Progress{};
  std::vector<std::uint8_t> CmykRow;

  TState() {
    Info.err = InitErrors(Errors);
    Progress.progress_monitor = ProgressMonitor;
    jpeg_create_decompress(&Info);
    Info.progress = &Progress;
  }
  ~TState() { jpeg_destroy_decompress(&Info); }

  bool Run(const TDecodeJob& job) {
    bool ok = false;
    try {
      ok = RunDecode(Info, Errors, job);
    } catch (const std::bad_alloc&) {
    }
    // Back to the state after creation, whatever happened: ready for the next picture, and
    // nothing of this one's size held.
    jpeg_abort_decompress(&Info);
    return ok;
  }
};

TJpegDecoder::TJpegDecoder() : F(std::make_unique<TState>()) {}
TJpegDecoder::~TJpegDecoder() = default;

bool TJpegDecoder::ReadSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
  if (data == nullptr || size == 0) return false;
  int w = 0, h = 0;
  if (!F->Run({data, size, 1, true, false, TPixelLayout::Rgb24, nullptr, &w, &h, nullptr}))
    return false;
  width = w;
  height = h;
  return true;
}

bool TJpegDecoder::Decode(const std::uint8_t* data, std::size_t size, TPixelLayout layout,
                          int scaleDenominator, TJpegDecode quality,
                          const TPixelAllocator& allocate, int& width, int& height) {
  width = height = 0;
  if (data == nullptr || size == 0) return false;
  if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4 &&
      scaleDenominator != 8) {
    return false;
  }
  int w = 0, h = 0;
  if (!F->Run({data, size, scaleDenominator, false, quality == TJpegDecode::Fast, layout, &allocate,
               &w, &h, &F->CmykRow})) {
    return false;
  }
  width = w;
  height = h;
  return true;
}

namespace {

// The decoder of the free functions below: one per thread, made on first use.
TJpegDecoder& ThreadDecoder() {
  thread_local TJpegDecoder decoder;
  return decoder;
}

// Compressed bytes go straight into a string that doubles as needed.
struct TStringDestination {
  jpeg_destination_mgr Base;
  std::string* Out;
};

void GrowDestination(j_compress_ptr info, std::size_t used) {
  auto* dest = reinterpret_cast<TStringDestination*>(info->dest);
  try {
    dest->Out->resize(std::max<std::size_t>(dest->Out->size() * 2, 65536));
  } catch (const std::bad_alloc&) {
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    ErrorExit(reinterpret_cast<j_common_ptr>(info));
  }
  dest->Base.next_output_byte = reinterpret_cast<JOCTET*>(dest->Out->data()) + used;
  dest->Base.free_in_buffer = dest->Out->size() - used;
}

void InitDestination(j_compress_ptr info) {
  GrowDestination(info, 0);
}

boolean EmptyDestination(j_compress_ptr info) {
  // libjpeg calls this only with the whole buffer full.
  GrowDestination(info, reinterpret_cast<TStringDestination*>(info->dest)->Out->size());
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<TStringDestination*>(info->dest);
  dest->Out->resize(dest->Out->size() - dest->Base.free_in_buffer);
}

bool RunEncode(jpeg_compress_struct& info, TErrorManager& errors, TStringDestination& dest,
               const std::uint8_t* pixels, int width, int height, TPixelLayout layout,
               int quality) {
  if (setjmp(errors.Jump) != 0) return false;
  jpeg_create_compress(&info);
  dest.Base.init_destination = InitDestination;
  dest.Base.empty_output_buffer = EmptyDestination;
  dest.Base.term_destination = TermDestination;
  info.dest = &dest.Base;
  const bool words = layout == TPixelLayout::Xrgb32;
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = words ? 4 : 3;
  info.in_color_space = words ? kXrgbSpace : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::size_t stride = std::size_t(width) * std::size_t(info.input_components);
  while (info.next_scanline < info.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<JSAMPROW>(pixels + stride * info.next_scanline);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

}  // namespace

bool JpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
  return ThreadDecoder().ReadSize(data, size, width, height);
}

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& out, int scaleDenominator,
                TJpegDecode quality) {
  out = TBitmap();
  TBitmap picture;
  const TPixelAllocator allocate = [&picture](int width, int height) {
    picture.Pixels.resize(std::size_t(width) * std::size_t(height) * 3);
    return TPixelTarget{picture.Pixels.data(), std::size_t(width) * 3};
  };
  if (!ThreadDecoder().Decode(data, size, TPixelLayout::Rgb24, scaleDenominator, quality, allocate,
                              picture.Width, picture.Height)) {
    return false;
  }
  out = std::move(picture);
  return true;
}

std::string EncodeJpeg(const TBitmap& bitmap, int quality) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0 ||
      bitmap.Pixels.size() < std::size_t(bitmap.Width) * std::size_t(bitmap.Height) * 3) {
    return {};
  }
  return EncodeJpeg(bitmap.Pixels.data(), bitmap.Width, bitmap.Height, TPixelLayout::Rgb24,
                    quality);
}

std::string EncodeJpeg(const std::uint8_t* pixels, int width, int height, TPixelLayout layout,
                       int quality) {
  if (pixels == nullptr || width <= 0 || height <= 0 || width > kMaxJpegSide ||
      height > kMaxJpegSide) {
    return {};
  }
  std::string out;
  TStringDestination dest{{}, &out};
  jpeg_compress_struct info{};
  TErrorManager errors{};
  info.err = InitErrors(errors);
  bool ok = false;
  try {
    ok = RunEncode(info, errors, dest, pixels, width, height, layout, std::clamp(quality, 1, 100));
  } catch (const std::bad_alloc&) {
  }
  jpeg_destroy_compress(&info);
  if (!ok) out.clear();
  return out;
}

}  // namespace vexilon
