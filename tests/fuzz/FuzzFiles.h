#pragma once
// Scratch files for fuzz targets that must go through a file name.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vexilon {

// A private folder for the whole run, removed when the fuzzer exits. It lives in memory where
// possible: rewriting files on ext4 waits for the disk and slows fuzzing tenfold.
inline const std::string& FuzzFolder() {
  struct TFolder {
    std::string Path;
    TFolder() {
      Path = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
      Path += "/vexilon-fuzz-XXXXXX";
      if (::mkdtemp(Path.data()) == nullptr) std::abort();
    }
    ~TFolder() {
      std::error_code ignored;
      std::filesystem::remove_all(Path, ignored);
    }
  };
  static const TFolder folder;
  return folder.Path;
}

// A plain write: the atomic writer's fsync per run would slow the fuzzer down.
inline void WriteFuzzFile(const std::string& path, const std::string& bytes) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) std::abort();
  if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) std::abort();
  std::fclose(out);
}

}  // namespace vexilon
