#include "core/capture/MultiCaptureReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "core/capture/DayCount.h"

namespace vexilon {
namespace {

// A frame record's payload: frame number and time stamp.
constexpr std::int32_t kFrameLength = 16;

std::int32_t Int32(const unsigned char* bytes) {
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = bits << 8 | bytes[i];
  return std::int32_t(bits);
}

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
  // Non-blocking, so that a named pipe given for a file cannot hold the open.
  FFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (FFd < 0) throw EMultiCaptureRead("Cannot open " + path + ": " + std::strerror(errno));
  struct stat info {};
  if (::fstat(FFd, &info) != 0 || !S_ISREG(info.st_mode)) {
    Close();
    throw EMultiCaptureRead("Cannot open " + path + ": not a regular file");
  }
  FFileSize = info.st_size;
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
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  FFileSize = 0;
  FScanPos = 0;
  FIndexed = false;
  FDamaged = false;
  FFrameIndex.clear();
  FCaptionHeight.reset();
}

bool TMultiCaptureReader::IndexStep(int maxRecords) {
  if (FFd < 0) FIndexed = true;
  // Every record walked moves on by at least 8 bytes, so the walk ends and the index stays
  // within an eighth of the file's size.
  for (int walked = 0; !FIndexed && walked < maxRecords; ++walked) {
    const std::optional<std::int32_t> type = Int32At(FScanPos);
    if (!type || *type == kRecordEnd) {
      FIndexed = true;
      break;
    }
    const std::int64_t lengthOffset = FScanPos + 4;
    if (*type == kRecordFrame) FFrameIndex.push_back(lengthOffset);
    const std::optional<std::int32_t> length = LengthAt(lengthOffset, 4);
    if (!length) {
      FIndexed = FDamaged = true;
      break;
    }
    if (*type == kRecordCaptionHeight && !FCaptionHeight && *length >= 8)
      FCaptionHeight = Int32At(lengthOffset + 4);
    FScanPos = lengthOffset + *length;
  }
  return FIndexed;
}

TCaptureFrame TMultiCaptureReader::ReadFrame(std::size_t index) const {
  if (FFd < 0 || index >= FFrameIndex.size())
    throw EMultiCaptureRead("Cannot read " + FPath + ": no frame " + std::to_string(index + 1));
  const std::int64_t start = FFrameIndex[index];
  const std::optional<std::int32_t> length = LengthAt(start, kFrameLength);
  unsigned char payload[12];
  if (!length || !ReadAt(start + 4, payload, sizeof payload)) Damage(start, "frame record");
  TCaptureFrame frame;
  frame.FrameNumber = Int32(payload);
  frame.Time = DayCountToTime(Double(payload + 4));

  // The image records up to the next record of another type belong to this frame.
  std::int64_t offset = start + *length;
  std::optional<std::int32_t> type;
  while ((type = Int32At(offset)) && *type == kRecordImage)
    offset = ReadImage(offset + 4, frame.Images.emplace_back());
  if (type) ReadLookAhead(offset, frame);
  return frame;
}

std::int64_t TMultiCaptureReader::ReadImage(std::int64_t lengthOffset, TCaptureImage& image) const {
  const std::optional<std::int32_t> length = LengthAt(lengthOffset, 4 + kImageHeaderBytes);
  if (!length || *length - 4 > kMaxImagePayload) Damage(lengthOffset, "image record");
  std::string payload(std::size_t(*length - 4), '\0');
  if (!ReadAt(lengthOffset + 4, payload.data(), payload.size()))
    Damage(lengthOffset, "image record");
  const auto* bytes = reinterpret_cast<const unsigned char*>(payload.data());
  image.Flags = Int32(bytes);
  image.Rect = {Int32(bytes + 4), Int32(bytes + 8), Int32(bytes + 12), Int32(bytes + 16)};
  image.WindowNumber = Int32(bytes + 20);
  const std::int32_t nameLength = Int32(bytes + 24);
  if (nameLength < 0 || nameLength > *length - 4 - kImageHeaderBytes)
    Damage(lengthOffset, "image record");
  image.Name = payload.substr(kImageHeaderBytes, std::size_t(nameLength));
  image.Jpeg = payload.substr(std::size_t(kImageHeaderBytes + nameLength));
  return lengthOffset + *length;
}

void TMultiCaptureReader::ReadLookAhead(std::int64_t offset, TCaptureFrame& frame) const {
  const std::int32_t type = *Int32At(offset);
  const std::int64_t lengthOffset = offset + 4;
  if (type == kRecordCaptionHeight) {
    if (LengthAt(lengthOffset, 8)) frame.CaptionHeight = Int32At(lengthOffset + 4);
    return;
  }
  if (type != kRecordFrame) return;
  const std::optional<std::int32_t> length = LengthAt(lengthOffset, kFrameLength);
  unsigned char payload[12];
  if (!length || !ReadAt(lengthOffset + 4, payload, sizeof payload)) return;
  frame.NextTime = DayCountToTime(Double(payload + 4));
  // The player does not wait out the gap before an image that follows a break.
  const std::int64_t next = lengthOffset + *length;
  if (Int32At(next) == kRecordImage && LengthAt(next + 4, 8)) frame.NextFlags = Int32At(next + 8);
}

bool TMultiCaptureReader::ReadAt(std::int64_t offset, void* data, std::size_t size) const {
  if (offset < 0 || offset > FFileSize || std::int64_t(size) > FFileSize - offset) return false;
  auto* out = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = ::pread(FFd, out, size, offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // an error, or the file shrank since it was opened
    out += got;
    offset += got;
    size -= std::size_t(got);
  }
  return true;
}

std::optional<std::int32_t> TMultiCaptureReader::Int32At(std::int64_t offset) const {
  unsigned char bytes[4];
  if (!ReadAt(offset, bytes, sizeof bytes)) return std::nullopt;
  return Int32(bytes);
}

std::optional<std::int32_t> TMultiCaptureReader::LengthAt(std::int64_t offset,
                                                          std::int32_t minLength) const {
  const std::optional<std::int32_t> length = Int32At(offset);
  if (!length || *length < minLength || *length > FFileSize - offset) return std::nullopt;
  return length;
}

void TMultiCaptureReader::Damage(std::int64_t offset, const std::string& what) const {
  throw EMultiCaptureRead("Cannot read " + FPath + ": damaged " + what + " at offset " +
                          std::to_string(offset));
}

}  // namespace vexilon
