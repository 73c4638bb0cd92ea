#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vexilon {

// Read access to the records of a multi-capture file, for the player's reader and the editing
// operations. Every length read from the file is checked against the file's size before it is
// followed.
class TRecordFile {
 public:
  // Opens a regular file for reading; throws EMultiCaptureRead naming it.
  explicit TRecordFile(const std::string& path);
  ~TRecordFile();
  TRecordFile(const TRecordFile&) = delete;
  TRecordFile& operator=(const TRecordFile&) = delete;

  const std::string& Path() const { return FPath; }
  int Fd() const { return FFd; }
  std::int64_t Size() const { return FSize; }

  // Reads size bytes at offset; false when the file ends sooner.
  bool ReadAt(std::int64_t offset, void* data, std::size_t size) const;
  std::optional<std::int32_t> Int32At(std::int64_t offset) const;
  // The length field at offset when it is at least minLength and the record it measures
  // ends within the file.
  std::optional<std::int32_t> LengthAt(std::int64_t offset, std::int32_t minLength) const;

 private:
  std::string FPath;
  int FFd = -1;
  std::int64_t FSize = 0;
};

// Little-endian fields as the format stores them.
std::int32_t LoadInt32(const void* bytes);
void StoreInt32(void* bytes, std::int32_t value);

}  // namespace vexilon
