// Copying images out of a multi-capture file: into a new one-window file, or into JPEG files.
#include <sys/stat.h>

#include <climits>
#include <cstring>

#include "core/app/AtomicFile.h"
#include "core/capture/CaptureNames.h"
#include "core/capture/MultiCaptureFile.h"
#include "core/capture/RecordFile.h"
#include "core/capture/ReplacementFile.h"
#include "core/capture/StreamEdit.h"
#include "core/imaging/Jpeg.h"

namespace vexilon {
namespace {

// A frame record's payload: frame number and time stamp.
constexpr std::int32_t kFrameLength = 16;

// One image record met by the walk, with the time stamp of the frame it belongs to.
struct TImageRecord {
  std::int64_t Offset = 0;      // of its type field
  const char* FrameTime = "";   // the 8 bytes of the time stamp as stored
  std::string Payload;          // flags, rectangle, window number, name length, name, JPEG
  std::int32_t NameLength = 0;  // checked against the payload
  std::string_view Jpeg() const {
    return std::string_view(Payload).substr(std::size_t(kImageHeaderBytes + NameLength));
  }
};

// Walks the records from offset from until the frame record after frames frame records, a
// short read or the end mark, and hands over the images of window (of every window when none).
// onImage answers false to stop. Damage ends the walk and is recorded in result.
template <typename TOnImage>
void WalkImages(const TRecordFile& in, std::int64_t from, std::int64_t frames,
                std::optional<std::int32_t> window, const TEditProgress& progress,
                TExtractResult& result, TOnImage&& onImage) {
  char frameTime[8] = {};
  std::int64_t framesMet = 0;
  std::int64_t offset = from;
  std::optional<std::int32_t> type;
  // Every record moves the walk on by at least 8 bytes, so it ends.
  while ((type = in.Int32At(offset)) && *type != kRecordEnd) {
    const std::int64_t lengthOffset = offset + 4;
    const std::optional<std::int32_t> length = in.LengthAt(lengthOffset, 4);
    if (!length) {
      result.DamageAt = offset;
      return;
    }
    const std::int64_t next = lengthOffset + *length;
    if (*type == kRecordFrame) {
      if (++framesMet > frames) return;
      if (*length < kFrameLength || !in.ReadAt(lengthOffset + 8, frameTime, sizeof frameTime)) {
        result.DamageAt = offset;
        return;
      }
    } else if (*type == kRecordImage) {
      if (progress && !progress(offset, in.Size())) {
        result.Cancelled = true;
        return;
      }
      char header[kImageHeaderBytes];
      const std::int64_t payloadSize = *length - 4;
      if (payloadSize < kImageHeaderBytes || payloadSize > kMaxImagePayload ||
          !in.ReadAt(lengthOffset + 4, header, sizeof header)) {
        result.DamageAt = offset;
        return;
      }
      TImageRecord image;
      image.NameLength = LoadInt32(header + 24);
      if (image.NameLength < 0 || image.NameLength > payloadSize - kImageHeaderBytes) {
        result.DamageAt = offset;
        return;
      }
      if (!window || LoadInt32(header + 20) == *window) {
        image.Offset = offset;
        image.FrameTime = frameTime;
        image.Payload.resize(std::size_t(payloadSize));
        if (!in.ReadAt(lengthOffset + 4, image.Payload.data(), image.Payload.size())) {
          result.DamageAt = offset;
          return;
        }
        if (!onImage(image)) return;
      }
    }
    offset = next;
  }
}

// Whether the picture decodes; an eighth of its size is enough to find out, and cheap.
bool Decodes(std::string_view jpeg, int& width, int& height) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(jpeg.data());
  TBitmap small;
  return !jpeg.empty() && JpegSize(bytes, jpeg.size(), width, height) &&
         DecodeJpeg(bytes, jpeg.size(), small, 8, TJpegDecode::Fast);
}

void PutInt32(std::string& out, std::int32_t value) {
  char bytes[4];
  StoreInt32(bytes, value);
  out.append(bytes, 4);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

TExtractResult Extract(const std::string& source, std::int64_t from, std::int64_t frames,
                       std::optional<std::int32_t> window, const std::string& target,
                       std::int32_t captionHeight, const TEditProgress& progress) {
  TRecordFile in(source);
  // Replacing the file on display with a part of itself is surely not what was meant.
  if (SameFile(source, target))
    throw EStreamEdit("Cannot extract " + source + " into itself; choose another file name.");
  TExtractResult result;
  TReplacementFile out(target);
  std::int64_t size = 0;
  auto append = [&](const std::string& bytes) {
    // Room is kept for the end mark: offsets in the file are 32-bit.
    if (size + std::int64_t(bytes.size()) + 4 > kMultiCaptureMaxBytes)
      throw EStreamEdit("The extract of " + source + " would grow past 2 GiB.");
    out.WriteAt(size, bytes);
    size += std::int64_t(bytes.size());
  };
  append(std::string(kMultiCaptureMagic, 4));
  if (frames > 0) {
    WalkImages(in, from, frames, window, progress, result, [&](const TImageRecord& image) {
      int width = 0, height = 0;
      if (!Decodes(image.Jpeg(), width, height)) return true;  // left out
      std::string record;
      PutInt32(record, kRecordFrame);
      PutInt32(record, kFrameLength);
      PutInt32(record, ++result.Images);
      record.append(image.FrameTime, 8);
      PutInt32(record, kRecordImage);
      PutInt32(record, std::int32_t(image.Payload.size() + 4));
      // The flags as recorded; a one-window file draws its window at the origin as number 1.
      record.append(image.Payload, 0, 4);
      for (std::int32_t value : {0, 0, width + 2, height + 2 + captionHeight, 1})
        PutInt32(record, value);
      record.append(image.Payload, 24);
      append(record);
      return true;
    });
  }
  if (result.Cancelled) return result;
  append(std::string(4, '\0'));
  out.Commit();
  return result;
}

}  // namespace

TExtractResult ExtractFrames(const std::string& source, const std::vector<std::int64_t>& frameIndex,
                             std::int32_t first, std::int32_t last, const std::string& target,
                             std::int32_t captionHeight, const TEditProgress& progress) {
  const bool any = first >= 1 && last >= first && std::size_t(first) <= frameIndex.size();
  const std::int64_t from = any ? frameIndex[std::size_t(first - 1)] - 4 : 4;
  return Extract(source, from, any ? std::int64_t(last) - first + 1 : 0, std::nullopt, target,
                 captionHeight, progress);
}

TExtractResult ExtractWindow(const std::string& source, std::int32_t windowNumber,
                             const std::string& target, std::int32_t captionHeight,
                             const TEditProgress& progress) {
  return Extract(source, 4, INT64_MAX, windowNumber, target, captionHeight, progress);
}

TExtractResult ExplodeWindow(const std::string& source, std::int32_t windowNumber,
                             const std::string& folder, const std::string& prefix,
                             const TEditProgress& progress) {
  TRecordFile in(source);
  TExtractResult result;
  int counter = 0;
  WalkImages(in, 4, INT64_MAX, windowNumber, progress, result, [&](const TImageRecord& image) {
    int width = 0, height = 0;
    if (!Decodes(image.Jpeg(), width, height)) {
      throw EStreamEdit("The picture at offset " + std::to_string(image.Offset) + " of " + source +
                        " cannot be decoded; " + std::to_string(result.Images) +
                        " pictures were written before it.");
    }
    // The folder is looked at again for every picture, so no file on disk is overwritten.
    const std::string path = NextNumberedFileName(folder, prefix, ".jpg", counter);
    WriteFileAtomically(path, image.Jpeg());
    ++result.Images;
    result.LastFile = path;
    return true;
  });
  return result;
}

}  // namespace vexilon
