#include "core/capture/MultiCaptureReader.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include "core/capture/DayCount.h"
#include "core/capture/RecordFile.h"

namespace vexilon {
namespace {

// A frame record's payload: frame number and time stamp.
constexpr std::int32_t kFrameLength = 16;

double Double(const unsigned char* bytes) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[i];
  return std::bit_cast<double>(bits);
}

}  // namespace

TMultiCaptureReader::~TMultiCaptureReader() {
  Close();
}

void TMultiCaptureReader::Open(const std::string& path) {
  Close();
  FPath = path;
  FFile = std::make_unique<TRecordFile>(path);
  FFileSize = FFile->Size();
  FScanPos = 4;
}

void TMultiCaptureReader::OpenIndexed(const std::string& path,
                                      const std::vector<std::int64_t>& frameIndex) {
  Open(path);
  for (const std::int64_t entry : frameIndex) {
    if (entry < 8 || entry >= FFileSize || (!FFrameIndex.empty() && entry <= FFrameIndex.back()))
      break;
    FFrameIndex.push_back(entry);
  }
  FScanPos = FFileSize;
  FIndexed = true;
}

void TMultiCaptureReader::Close() {
  FFile.reset();
  FFileSize = 0;
  FScanPos = 0;
  FIndexed = false;
  FDamaged = false;
  FFrameIndex.clear();
  FCaptionHeight.reset();
}

bool TMultiCaptureReader::IndexStep(int maxRecords, const TRecordVisitor& visit) {
  if (!FFile) FIndexed = true;
  // Every record walked moves on by at least 8 bytes, so the walk ends and the index stays
  // within an eighth of the file's size.
  for (int walked = 0; !FIndexed && walked < maxRecords; ++walked) {
    const std::optional<std::int32_t> type = FFile->Int32At(FScanPos);
    if (!type || *type == kRecordEnd) {
      FIndexed = true;
      break;
    }
    const std::int64_t lengthOffset = FScanPos + 4;
    if (*type == kRecordFrame) FFrameIndex.push_back(lengthOffset);
    const std::optional<std::int32_t> length = FFile->LengthAt(lengthOffset, 4);
    TRecordSeen seen{*type, FScanPos, std::nullopt};
    if (length && *type == kRecordCaptionHeight && *length >= 8)
      seen.CaptionHeight = FFile->Int32At(lengthOffset + 4);
    if (!FCaptionHeight) FCaptionHeight = seen.CaptionHeight;
    if (visit) visit(seen);
    if (!length) {
      FIndexed = FDamaged = true;
      FDamageAt = FScanPos;
      break;
    }
    FScanPos = lengthOffset + *length;
  }
  return FIndexed;
}

TCaptureFrame TMultiCaptureReader::ReadFrame(std::size_t index) const {
  if (!FFile || index >= FFrameIndex.size())
    throw EMultiCaptureRead("Cannot read " + FPath + ": no frame " + std::to_string(index + 1));
  const std::int64_t start = FFrameIndex[index];
  const std::optional<std::int32_t> length = FFile->LengthAt(start, kFrameLength);
  unsigned char payload[12];
  if (!length || !FFile->ReadAt(start + 4, payload, sizeof payload)) Damage(start, "frame record");
  TCaptureFrame frame;
  frame.FrameNumber = LoadInt32(payload);
  frame.DayCount = Double(payload + 4);
  frame.Time = DayCountToTime(frame.DayCount);

  // The image records up to the next record of another type belong to this frame.
  std::int64_t offset = start + *length;
  std::optional<std::int32_t> type;
  while ((type = FFile->Int32At(offset)) && *type == kRecordImage) {
    if (frame.Images.size() >= std::size_t(kMaxImagesPerFrame)) Damage(offset, "image record");
    offset = ReadImage(offset + 4, frame.Images.emplace_back());
  }
  if (type) ReadLookAhead(offset, frame);
  return frame;
}

std::int64_t TMultiCaptureReader::ReadImage(std::int64_t lengthOffset, TCaptureImage& image) const {
  const std::optional<std::int32_t> length = FFile->LengthAt(lengthOffset, 4 + kImageHeaderBytes);
  if (!length || *length - 4 > kMaxImagePayload) Damage(lengthOffset, "image record");
  std::string payload(std::size_t(*length - 4), '\0');
  if (!FFile->ReadAt(lengthOffset + 4, payload.data(), payload.size()))
    Damage(lengthOffset, "image record");
  const auto* bytes = reinterpret_cast<const unsigned char*>(payload.data());
  image.Flags = LoadInt32(bytes);
  image.Rect = {LoadInt32(bytes + 4), LoadInt32(bytes + 8), LoadInt32(bytes + 12),
                LoadInt32(bytes + 16)};
  image.WindowNumber = LoadInt32(bytes + 20);
  const std::int32_t nameLength = LoadInt32(bytes + 24);
  if (nameLength < 0 || nameLength > *length - 4 - kImageHeaderBytes)
    Damage(lengthOffset, "image record");
  image.Name = payload.substr(kImageHeaderBytes, std::size_t(nameLength));
  image.Jpeg = payload.substr(std::size_t(kImageHeaderBytes + nameLength));
  return lengthOffset + *length;
}

void TMultiCaptureReader::ReadLookAhead(std::int64_t offset, TCaptureFrame& frame) const {
  const std::int32_t type = *FFile->Int32At(offset);
  const std::int64_t lengthOffset = offset + 4;
  if (type == kRecordCaptionHeight) {
    if (FFile->LengthAt(lengthOffset, 8)) frame.CaptionHeight = FFile->Int32At(lengthOffset + 4);
    return;
  }
  if (type != kRecordFrame) return;
  const std::optional<std::int32_t> length = FFile->LengthAt(lengthOffset, kFrameLength);
  unsigned char payload[12];
  if (!length || !FFile->ReadAt(lengthOffset + 4, payload, sizeof payload)) return;
  frame.NextTime = DayCountToTime(Double(payload + 4));
  // The player does not wait out the gap before an image that follows a break.
  const std::int64_t next = lengthOffset + *length;
  if (FFile->Int32At(next) == kRecordImage && FFile->LengthAt(next + 4, 8))
    frame.NextFlags = FFile->Int32At(next + 8);
}

void TMultiCaptureReader::CheckUndamaged() const {
  if (FDamaged) Damage(FDamageAt, "record");
}

void TMultiCaptureReader::Damage(std::int64_t offset, const std::string& what) const {
  throw EMultiCaptureRead("Cannot read " + FPath + ": damaged " + what + " at offset " +
                          std::to_string(offset));
}

}  // namespace vexilon
