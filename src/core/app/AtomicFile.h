#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace vexilon {

// A file that could not be written; the message names the file and the system's reason.
class EFileWrite : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Replaces path with content so that a crash or a full disk never leaves a half-written file:
// the bytes go to a temporary file in the same folder, are flushed to disk and then renamed
// over path. On failure the old file is untouched and EFileWrite is thrown.
void WriteFileAtomically(const std::string& path, std::string_view content);

// Replaces path with content and keeps what path held as backup. The old file is first copied
// to backup (through a temporary file renamed over it), then path is written atomically, so at
// every moment path holds the old or the new content and backup the previous backup or a
// complete copy: a crash or a full disk never leaves neither. When path does not exist there is
// nothing to keep and backup stays as it is. Throws EFileWrite; path is then untouched.
void ReplaceFileKeepingBackup(const std::string& path, const std::string& backup,
                              std::string_view content);

// The most a file read whole may hold unless the caller says less: what is read whole is held
// in memory at once.
inline constexpr std::size_t kMaxWholeFileBytes = std::size_t{1} << 30;

// Reads a whole file; false when it cannot be opened. Files larger than maxBytes are refused
// (false) so that a hostile file cannot exhaust memory.
bool ReadWholeFile(const std::string& path, std::string& content,
                   std::size_t maxBytes = kMaxWholeFileBytes);

}  // namespace vexilon
