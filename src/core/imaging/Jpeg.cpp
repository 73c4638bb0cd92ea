#include "core/imaging/Jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
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
void CmykToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    rgb[0] = std::uint8_t(c * k / 255);
    rgb[1] = std::uint8_t(m * k / 255);
    rgb[2] = std::uint8_t(y * k / 255);
  }
}

struct TDecodeJob {
  const std::uint8_t* Data;
  std::size_t Size;
  int Scale;
  bool HeaderOnly;
  bool Fast;
  TBitmap* Out;
  std::vector<std::uint8_t>* CmykRow;
};

// Every libjpeg call of a decode happens here, below the setjmp. Allocation failures of the
// output throw std::bad_alloc through this frame to the caller, which owns the cleanup.
bool RunDecode(jpeg_decompress_struct& info, TErrorManager& errors, const TDecodeJob& job) {
  if (setjmp(errors.Jump) != 0) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, job.Data, static_cast<unsigned long>(job.Size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  if (!SizeAllowed(info.image_width, info.image_height)) return false;
  if (job.HeaderOnly) {
    job.Out->Width = int(info.image_width);
    job.Out->Height = int(info.image_height);
    return true;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  info.scale_num = 1;
  info.scale_denom = unsigned(job.Scale);
  if (job.Fast) {
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
  }
  jpeg_calc_output_dimensions(&info);
  if (!SizeAllowed(info.output_width, info.output_height)) return false;
  if (info.output_components != (cmyk ? 4 : 3)) return false;

  TBitmap& out = *job.Out;
  const std::size_t stride = std::size_t(info.output_width) * 3;
  out.Pixels.resize(stride * info.output_height);
  if (cmyk) job.CmykRow->resize(std::size_t(info.output_width) * 4);
  jpeg_start_decompress(&info);
  const bool inverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    std::uint8_t* target = out.Pixels.data() + stride * info.output_scanline;
    if (cmyk) {
      JSAMPROW row = job.CmykRow->data();
      jpeg_read_scanlines(&info, &row, 1);
      CmykToRgb(job.CmykRow->data(), target, info.output_width, inverted);
      continue;
    }
    JSAMPROW rows[kRowsPerRead];
    const JDIMENSION count =
        std::min<JDIMENSION>(kRowsPerRead, info.output_height - info.output_scanline);
    for (JDIMENSION i = 0; i < count; ++i) rows[i] = target + stride * i;
    jpeg_read_scanlines(&info, rows, count);
  }
  out.Width = int(info.output_width);
  out.Height = int(info.output_height);
  // The rest of the file (its end marker, trailing bytes) does not matter to the picture:
  // no jpeg_finish_decompress.
  return true;
}

class TDecompressor {
 public:
  TDecompressor() {
    info.err = InitErrors(errors);
    progress.progress_monitor = ProgressMonitor;
    info.progress = &progress;
  }
  ~TDecompressor() { jpeg_destroy_decompress(&info); }
  TDecompressor(const TDecompressor&) = delete;
  TDecompressor& operator=(const TDecompressor&) = delete;

  bool Run(const TDecodeJob& job) {
    try {
      return RunDecode(info, errors, job);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

 private:
  jpeg_decompress_struct info{};
  TErrorManager errors{};
  jpeg_progress_mgr progress{};
};

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
               const TBitmap& bitmap, int quality) {
  if (setjmp(errors.Jump) != 0) return false;
  jpeg_create_compress(&info);
  dest.Base.init_destination = InitDestination;
  dest.Base.empty_output_buffer = EmptyDestination;
  dest.Base.term_destination = TermDestination;
  info.dest = &dest.Base;
  info.image_width = JDIMENSION(bitmap.Width);
  info.image_height = JDIMENSION(bitmap.Height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::size_t stride = std::size_t(bitmap.Width) * 3;
  while (info.next_scanline < info.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<JSAMPROW>(bitmap.Pixels.data() + stride * info.next_scanline);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

}  // namespace

bool JpegSize(const std::uint8_t* data, std::size_t size, int& width, int& height) {
  if (data == nullptr || size == 0) return false;
  TBitmap header;
  TDecompressor decompressor;
  if (!decompressor.Run({data, size, 1, true, false, &header, nullptr})) return false;
  width = header.Width;
  height = header.Height;
  return true;
}

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& out, int scaleDenominator,
                TJpegDecode quality) {
  out = TBitmap();
  if (data == nullptr || size == 0) return false;
  if (scaleDenominator != 1 && scaleDenominator != 2 && scaleDenominator != 4 &&
      scaleDenominator != 8) {
    return false;
  }
  TBitmap picture;
  std::vector<std::uint8_t> cmykRow;
  {
    TDecompressor decompressor;
    if (!decompressor.Run({data, size, scaleDenominator, false, quality == TJpegDecode::Fast,
                           &picture, &cmykRow})) {
      return false;
    }
  }
  out = std::move(picture);
  return true;
}

std::string EncodeJpeg(const TBitmap& bitmap, int quality) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0 || bitmap.Width > kMaxJpegSide ||
      bitmap.Height > kMaxJpegSide ||
      bitmap.Pixels.size() < std::size_t(bitmap.Width) * std::size_t(bitmap.Height) * 3) {
    return {};
  }
  std::string out;
  TStringDestination dest{{}, &out};
  jpeg_compress_struct info{};
  TErrorManager errors{};
  info.err = InitErrors(errors);
  bool ok = false;
  try {
    ok = RunEncode(info, errors, dest, bitmap, std::clamp(quality, 1, 100));
  } catch (const std::bad_alloc&) {
  }
  jpeg_destroy_compress(&info);
  if (!ok) out.clear();
  return out;
}

}  // namespace vexilon
