// Feeds arbitrary bytes through the favorites reader and checks that what it writes reads back
// to the same text.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/catalogue/Favorites.h"

namespace {

// One scratch file for the whole run, removed when the fuzzer exits. It lives in memory where
// possible: rewriting a file on ext4 waits for the disk and slows the fuzzer tenfold.
struct TScratchFile {
  std::string Path;
  TScratchFile() {
    Path = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    Path += "/vexilon-fuzz-favorites-XXXXXX";
    int fd = ::mkstemp(Path.data());
    if (fd < 0) std::abort();
    ::close(fd);
  }
  ~TScratchFile() { ::unlink(Path.c_str()); }
};

const std::string& TempFile() {
  static const TScratchFile scratch;
  return scratch.Path;
}

// A plain write: the atomic writer's fsync per run would halve the fuzzer's speed.
void Store(const std::string& path, const std::string& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) std::abort();
  if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) std::abort();
  std::fclose(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vexilon;
  const std::string& file = TempFile();
  // Random bytes rarely start with the header, so an odd first byte stands for it and the rest
  // of the input is the body; an even first byte leaves the input as it is.
  std::string input(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1) != 0)
    input = std::string(kFavoritesHeader) + "\r\n" + input.substr(1);
  Store(file, input);
  TFavoriteList list;
  LoadFavorites(file, list);
  std::string text = FormatFavorites(list);

  Store(file, std::string(kFavoritesHeader) + "\r\n" + text);
  TFavoriteList again;
  LoadFavorites(file, again);
  if (FormatFavorites(again) != text) std::abort();
  if (FormatFavorites(CopyFavorites(again)) != text) std::abort();
  return 0;
}
