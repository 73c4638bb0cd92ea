#include "core/capture/RawCapture.h"

#include <cerrno>
#include <cstring>

#include "core/app/AtomicFile.h"

namespace vexilon {

TRawCaptureFile::TRawCaptureFile(const std::string& path) : FFile(std::fopen(path.c_str(), "wb")) {
  if (FFile == nullptr) throw EFileWrite("Cannot create " + path + ": " + std::strerror(errno));
}

TRawCaptureFile::~TRawCaptureFile() {
  if (FFile != nullptr) std::fclose(FFile);
}

void TRawCaptureFile::Write(const char* data, size_t size) {
  std::lock_guard lock(FLock);
  if (FFile == nullptr) return;
  if (std::fwrite(data, 1, size, FFile) != size || std::fflush(FFile) != 0) {
    std::fclose(FFile);
    FFile = nullptr;
  }
}

}  // namespace vexilon
