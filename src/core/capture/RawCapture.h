#pragma once
#include <cstdio>
#include <mutex>
#include <string>

#include "core/net/ConnectThread.h"

namespace vexilon {

// "Capture Output": every byte a camera's connection receives, appended to one file as it
// arrives. A recording that grows for hours cannot be written in one piece like the other
// files of the viewer, so this file is written in place; a write that fails ends the
// recording quietly rather than the camera.
class TRawCaptureFile : public TCaptureOutput {
 public:
  // Creates or empties path; throws EFileWrite when it cannot.
  explicit TRawCaptureFile(const std::string& path);
  ~TRawCaptureFile() override;
  TRawCaptureFile(const TRawCaptureFile&) = delete;
  TRawCaptureFile& operator=(const TRawCaptureFile&) = delete;

  void Write(const char* data, size_t size) override;

 private:
  std::mutex FLock;
  std::FILE* FFile = nullptr;
};

}  // namespace vexilon
