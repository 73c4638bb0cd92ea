#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexilon {

// The new version of a file, written beside it and put in its place only when complete: until
// Commit the old file is untouched, so a failure, a cancel, a full disk or a crash halfway
// never costs the user the file they had. Unlike WriteFileAtomically the content need not fit
// in memory. Every failure throws EFileWrite naming the file.
class TReplacementFile {
 public:
  // Creates the temporary file in the folder of path (of its target, when path is a link).
  explicit TReplacementFile(const std::string& path);
  // Removes the temporary file unless it was committed.
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  int Fd() const { return FFd; }
  // Writes all of data at offset.
  void WriteAt(std::int64_t offset, std::string_view data);
  // Copies length bytes of sourceFd from sourceOffset to offset, in the kernel where it can.
  void CopyAt(std::int64_t offset, int sourceFd, std::int64_t sourceOffset, std::int64_t length);
  // Flushes the content to disk, gives it the old file's permissions (or a new file's) and
  // renames it over path.
  void Commit();

  [[noreturn]] void Fail(int error) const;

 private:
  std::string FTarget;
  std::string FTemp;
  int FFd = -1;
  bool FCommitted = false;
};

}  // namespace vexilon
