// What a live picture costs to decode: libjpeg-turbo used the plain way (a decompressor made
// for each picture, RGB rows) beside the viewer's decoder (one decompressor for the stream,
// pixels the painter takes as they are, the fast DCT), at full size and at the scales a
// smaller window decodes at. The pictures come from VEXILON_BENCH_JPEG (files separated by
// ':'); bench/decode_vs_ffmpeg.sh makes some with ffmpeg.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/imaging/Jpeg.h"

namespace {

std::vector<std::string> Pictures() {
  std::vector<std::string> pictures;
  const char* list = std::getenv("VEXILON_BENCH_JPEG");
  std::stringstream names(list != nullptr ? list : "");
  for (std::string name; std::getline(names, name, ':');) {
    std::ifstream file(name, std::ios::binary);
    pictures.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  return pictures;
}

const std::string& Picture(benchmark::State& state) {
  static const std::vector<std::string> pictures = Pictures();
  const auto index = std::size_t(state.range(0));
  if (index >= pictures.size() || pictures[index].empty()) {
    static const std::string none;
    state.SkipWithError("set VEXILON_BENCH_JPEG to JPEG files separated by ':'");
    return none;
  }
  state.SetLabel(std::to_string(pictures[index].size()) + " bytes");
  return pictures[index];
}

struct TJump {
  jpeg_error_mgr Base;
  std::jmp_buf Jump;
};

void PlainLibjpeg(benchmark::State& state) {
  const std::string& jpeg = Picture(state);
  std::vector<unsigned char> pixels;
  for (auto _ : state) {
    jpeg_decompress_struct info{};
    TJump errors{};
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = [](j_common_ptr c) {
      std::longjmp(reinterpret_cast<TJump*>(c->err)->Jump, 1);
    };
    if (setjmp(errors.Jump) == 0) {
      jpeg_create_decompress(&info);
      jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size());
      jpeg_read_header(&info, TRUE);
      info.scale_denom = unsigned(state.range(1));
      info.dct_method = JDCT_IFAST;
      info.do_fancy_upsampling = FALSE;
      jpeg_start_decompress(&info);
      const std::size_t stride = std::size_t(info.output_width) * 3;
      pixels.resize(stride * info.output_height);
      while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
      }
      jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void ViewerDecoder(benchmark::State& state) {
  const std::string& jpeg = Picture(state);
  vexilon::TJpegDecoder decoder;
  std::vector<std::uint8_t> pixels;
  const vexilon::TPixelAllocator allocate = [&pixels](int width, int height) {
    pixels.resize(std::size_t(width) * std::size_t(height) * 4);
    return vexilon::TPixelTarget{pixels.data(), std::size_t(width) * 4};
  };
  for (auto _ : state) {
    int width = 0, height = 0;
    decoder.Decode(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(),
                   vexilon::TPixelLayout::Xrgb32, int(state.range(1)), vexilon::TJpegDecode::Fast,
                   allocate, width, height);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void Arguments(benchmark::internal::Benchmark* bench) {
  bench->ArgNames({"picture", "scale"});
  for (int picture = 0; picture < 4; ++picture)
    for (int scale : {1, 2, 4, 8}) bench->Args({picture, scale});
  bench->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(PlainLibjpeg)->Apply(Arguments);
BENCHMARK(ViewerDecoder)->Apply(Arguments);
