// Cutting frames out of a multi-capture file.
#include <algorithm>

#include "core/capture/MultiCaptureFile.h"
#include "core/capture/RecordFile.h"
#include "core/capture/ReplacementFile.h"
#include "core/capture/StreamEdit.h"

namespace vexilon {
namespace {

// Progress is reported, and a cancel noticed, after every slice of this many bytes.
constexpr std::int64_t kCopySlice = std::int64_t(4) << 20;

// Copies length bytes in slices; false when the user cancelled.
bool CopyWithProgress(TReplacementFile& out, std::int64_t at, const TRecordFile& in,
                      std::int64_t from, std::int64_t length, std::int64_t& done,
                      std::int64_t total, const TEditProgress& progress) {
  while (length > 0) {
    const std::int64_t slice = std::min(length, kCopySlice);
    out.CopyAt(at, in.Fd(), from, slice);
    at += slice;
    from += slice;
    length -= slice;
    done += slice;
    if (progress && !progress(done, total)) return false;
  }
  return true;
}

// The image that now follows the cut starts a new stretch of the stream: its break flag
// keeps the player from waiting out the gap left by the frames taken out.
void MarkBreak(TReplacementFile& out, const TRecordFile& in, const TCutSpan& span) {
  if (in.Int32At(span.End) != kRecordFrame) return;
  const std::optional<std::int32_t> frameLength = in.LengthAt(span.End + 4, 4);
  if (!frameLength) return;
  const std::int64_t image = span.End + 4 + *frameLength;
  if (in.Int32At(image) != kRecordImage || !in.LengthAt(image + 4, 8)) return;
  std::int32_t flags = *in.Int32At(image + 8);
  flags |= kImageBreak;
  char bytes[4];
  StoreInt32(bytes, flags);
  out.WriteAt(span.Start + (image + 8 - span.End), std::string_view(bytes, 4));
}

}  // namespace

std::optional<TCutSpan> CutSpan(const std::vector<std::int64_t>& frameIndex, std::int64_t fileSize,
                                std::int32_t first, std::int32_t last) {
  const auto frames = std::int64_t(frameIndex.size());
  if (first < 1 || first > frames || last < first) return std::nullopt;
  TCutSpan span;
  span.Start = frameIndex[std::size_t(first - 1)] - 4;
  span.End = last >= frames ? fileSize : frameIndex[std::size_t(last)] - 4;
  // The magic stays, and an index that does not fit the file cuts nothing.
  if (span.Start < 4 || span.End > fileSize || span.Start >= span.End) return std::nullopt;
  return span;
}

TCutResult CutFrames(const std::string& path, const std::vector<std::int64_t>& frameIndex,
                     std::int64_t indexedSize, std::int32_t first, std::int32_t last,
                     const TEditProgress& progress) {
  TRecordFile in(path);
  // A recording still running, or another program, may have changed the file: the index
  // would cut the wrong bytes.
  if (in.Size() != indexedSize)
    throw EStreamEdit("The file " + path + " has changed since it was opened; open it again.");
  const std::optional<TCutSpan> span = CutSpan(frameIndex, in.Size(), first, last);
  if (!span)
    throw EStreamEdit("There are no frames " + std::to_string(first) + " to " +
                      std::to_string(last) + " to cut in " + path + ".");
  const std::int64_t removed = span->End - span->Start;
  const std::int64_t tail = in.Size() - span->End;

  TCutResult result;
  TReplacementFile out(path);
  std::int64_t done = 0;
  const std::int64_t total = span->Start + tail;
  if (!CopyWithProgress(out, 0, in, 0, span->Start, done, total, progress) ||
      !CopyWithProgress(out, span->Start, in, span->End, tail, done, total, progress)) {
    result.Cancelled = true;
    return result;
  }
  MarkBreak(out, in, *span);

  // Frame n of the file must be its n-th frame record, so the frames after the cut move down.
  result.FrameIndex.assign(frameIndex.begin(), frameIndex.begin() + (first - 1));
  std::int32_t number = first;
  for (std::size_t i = std::size_t(std::min<std::int64_t>(last, std::int64_t(frameIndex.size())));
       i < frameIndex.size(); ++i, ++number) {
    const std::int64_t moved = frameIndex[i] - removed;
    result.FrameIndex.push_back(moved);
    // A frame record too short for a number, or cut short by the end of the file, has none to
    // change: writing one would overwrite the record after it.
    if (!in.LengthAt(frameIndex[i], 8)) continue;
    char bytes[4];
    StoreInt32(bytes, number);
    out.WriteAt(moved + 4, std::string_view(bytes, 4));
  }
  result.FileSize = total;
  if (tail == 0) {
    out.WriteAt(span->Start, std::string_view("\0\0\0\0", 4));
    result.FileSize += 4;
  }
  out.Commit();
  return result;
}

}  // namespace vexilon
