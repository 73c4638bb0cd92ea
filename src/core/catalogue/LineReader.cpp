#include "core/catalogue/LineReader.h"

#include <algorithm>
#include <filesystem>

namespace vexilon {

TLineReader::TLineReader(std::size_t maxLine) : FMaxLine(maxLine), FBuffer(64 * 1024) {}

TLineReader::~TLineReader() {
  if (FFile != nullptr) std::fclose(FFile);
}

bool TLineReader::Open(const std::string& path) {
  if (FFile != nullptr) std::fclose(FFile);
  FFile = nullptr;
  // Only regular files: a FIFO would block the open, a device might never end.
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) FFile = std::fopen(path.c_str(), "rb");
  FPos = FLength = 0;
  FSkipLf = false;
  return FFile != nullptr;
}

bool TLineReader::Fill() {
  if (FFile == nullptr) return false;
  FPos = 0;
  FLength = std::fread(FBuffer.data(), 1, FBuffer.size(), FFile);
  return FLength > 0;
}

bool TLineReader::ReadLine(std::string& line) {
  line.clear();
  bool started = false;
  while (true) {
    if (FPos == FLength && !Fill()) return started;
    if (FSkipLf) {
      FSkipLf = false;
      if (FBuffer[FPos] == '\n') {
        ++FPos;
        continue;
      }
    }
    started = true;
    const char* begin = FBuffer.data() + FPos;
    const char* end = FBuffer.data() + FLength;
    const char* stop = begin;
    while (stop != end && *stop != '\r' && *stop != '\n') ++stop;
    std::size_t length = static_cast<std::size_t>(stop - begin);
    if (line.size() < FMaxLine) line.append(begin, std::min(length, FMaxLine - line.size()));
    FPos += length;
    if (stop != end) {
      FSkipLf = *stop == '\r';
      ++FPos;
      return true;
    }
  }
}

}  // namespace vexilon
