#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/capture/MultiCaptureFile.h"
#include "core/capture/RecordFile.h"

namespace vexilon {

// Reads a multi-capture file. The file has no index, so one is built by walking the records
// from the start, in slices that a player can spread over timer ticks while it already shows
// the first frames. The file comes from outside: every length in it is checked against the
// file's size before it is followed, the walk stops at the first damaged record, and reading a
// damaged frame throws EMultiCaptureRead.
class TMultiCaptureReader {
 public:
  // A record the index walk has met: its type, the offset of its type field and, for a
  // caption-height record, the height it holds.
  struct TRecordSeen {
    std::int32_t Type = 0;
    std::int64_t Offset = 0;
    std::optional<std::int32_t> CaptionHeight;
  };
  using TRecordVisitor = std::function<void(const TRecordSeen&)>;

  TMultiCaptureReader() = default;
  ~TMultiCaptureReader();
  TMultiCaptureReader(const TMultiCaptureReader&) = delete;
  TMultiCaptureReader& operator=(const TMultiCaptureReader&) = delete;

  // Opens a regular file and starts a new index; the magic is skipped, not compared, since
  // the file is taken for a multi-capture file by its name. Throws EMultiCaptureRead.
  void Open(const std::string& path);
  // Opens a file whose frame index is already known, such as one this program has just
  // rewritten, so that it need not be walked again. Entries that do not fit the file, or do not
  // rise, end the index there. Throws EMultiCaptureRead.
  void OpenIndexed(const std::string& path, const std::vector<std::int64_t>& frameIndex);
  void Close();

  // Walks at most maxRecords more records (a frame is its frame record and one or more image
  // records) and returns true once the index is complete: at the end mark, at the end of the
  // file, or at a record whose length is damaged. visit, when given, sees every record walked
  // (a frame record after it has joined the index), in file order.
  bool IndexStep(int maxRecords, const TRecordVisitor& visit = {});
  bool Indexed() const { return FIndexed; }
  // True when the walk ended at damage rather than at the end of the file.
  bool Damaged() const { return FDamaged; }
  // Throws EMultiCaptureRead naming the damaged record when the walk ended at one.
  void CheckUndamaged() const;
  // Where the walk goes on, for a progress display.
  std::int64_t ScanPosition() const { return FScanPos; }
  std::int64_t FileSize() const { return FFileSize; }

  // For each frame record so far, the offset of its length field. A frame record whose type
  // was read is listed even when the rest of it is damaged; reading it then throws.
  const std::vector<std::int64_t>& FrameIndex() const { return FFrameIndex; }
  // The first caption-height record the walk met, if any.
  std::optional<std::int32_t> CaptionHeight() const { return FCaptionHeight; }

  // Reads the frame at FrameIndex()[index] and its images, then looks at the record after
  // them: the next frame's time stamp and its first image's flags, or a caption height.
  // That look-ahead is left empty when the record is damaged; damage within the frame itself
  // throws EMultiCaptureRead.
  TCaptureFrame ReadFrame(std::size_t index) const;

 private:
  // Decodes the image record whose length field is at lengthOffset; returns where the next
  // record starts.
  std::int64_t ReadImage(std::int64_t lengthOffset, TCaptureImage& image) const;
  void ReadLookAhead(std::int64_t offset, TCaptureFrame& frame) const;
  [[noreturn]] void Damage(std::int64_t offset, const std::string& what) const;

  std::string FPath;
  std::unique_ptr<TRecordFile> FFile;  // open between Open and Close
  std::int64_t FFileSize = 0;
  std::int64_t FScanPos = 0;
  bool FIndexed = false;
  bool FDamaged = false;
  std::int64_t FDamageAt = 0;
  std::vector<std::int64_t> FFrameIndex;
  std::optional<std::int32_t> FCaptionHeight;
};

}  // namespace vexilon
