#include "core/capture/MultiCaptureWriter.h"

#include <bit>
#include <cerrno>
#include <cstring>

#include "core/app/AtomicFile.h"
#include "core/capture/DayCount.h"

namespace vexilon {
namespace {

void PutInt32(std::string& out, std::int32_t value) {
  const auto bits = std::uint32_t(value);
  for (int shift = 0; shift < 32; shift += 8) out.push_back(char((bits >> shift) & 0xff));
}

void PutDouble(std::string& out, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  for (int shift = 0; shift < 64; shift += 8) out.push_back(char((bits >> shift) & 0xff));
}

}  // namespace

TMultiCaptureWriter::~TMultiCaptureWriter() {
  try {
    Close();
  } catch (const EFileWrite&) {
    // Nobody is left to tell; the file reads as one cut short.
  }
}

void TMultiCaptureWriter::Create(const std::string& path,
                                 std::optional<std::int32_t> captionHeight) {
  Close();
  FPath = path;
  FBytes = 0;
  FFrames = 0;
  FFile = std::fopen(path.c_str(), "wb");
  if (FFile == nullptr) throw EFileWrite("Cannot create " + path + ": " + std::strerror(errno));
  std::string start(kMultiCaptureMagic, 4);
  if (captionHeight) {
    PutInt32(start, kRecordCaptionHeight);
    PutInt32(start, 8);
    PutInt32(start, *captionHeight);
  }
  WriteRecord(start);
}

void TMultiCaptureWriter::AppendFrame(std::chrono::system_clock::time_point time) {
  std::string record;
  PutInt32(record, kRecordFrame);
  PutInt32(record, 16);
  PutInt32(record, FFrames + 1);
  PutDouble(record, TimeToDayCount(time));
  WriteRecord(record);
  ++FFrames;
}

void TMultiCaptureWriter::AppendImage(std::int32_t flags, const TCaptureRect& rect,
                                      std::int32_t windowNumber, std::string_view name,
                                      std::string_view jpeg) {
  const std::size_t payload = kImageHeaderBytes + name.size() + jpeg.size();
  if (payload > std::size_t(kMaxImagePayload)) Refuse("the picture is too large to record");
  std::string record;
  record.reserve(8 + payload);
  PutInt32(record, kRecordImage);
  PutInt32(record, std::int32_t(payload + 4));
  for (std::int32_t value : {flags, rect.Left, rect.Top, rect.Right, rect.Bottom, windowNumber,
                             std::int32_t(name.size())})
    PutInt32(record, value);
  record.append(name);
  record.append(jpeg);
  WriteRecord(record);
  // Readers may look at the file while it is recorded; a full disk shows up here, too.
  if (std::fflush(FFile) != 0) WriteFailed();
}

void TMultiCaptureWriter::AppendImage(const TCaptureImage& image) {
  AppendImage(image.Flags, image.Rect, image.WindowNumber, image.Name, image.Jpeg);
}

void TMultiCaptureWriter::Close() {
  if (!IsOpen()) return;
  std::string end;
  PutInt32(end, kRecordEnd);
  Write(end);
  std::FILE* file = FFile;
  FFile = nullptr;
  if (std::fclose(file) != 0) Refuse(std::strerror(errno));
}

void TMultiCaptureWriter::WriteRecord(const std::string& record) {
  if (!IsOpen()) Refuse("the file is not open");
  // Room is kept for the end mark, so that the closed file stays below the limit.
  if (FBytes + std::int64_t(record.size()) + 4 > kMultiCaptureMaxBytes)
    Refuse("the file would grow past 2 GiB");
  Write(record);
}

void TMultiCaptureWriter::Write(const std::string& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size()) WriteFailed();
  FBytes += std::int64_t(bytes.size());
}

void TMultiCaptureWriter::Refuse(const std::string& why) const {
  throw EFileWrite("Cannot write " + FPath + ": " + why);
}

void TMultiCaptureWriter::WriteFailed() {
  const std::string why = std::strerror(errno);
  std::fclose(FFile);
  FFile = nullptr;
  Refuse(why);
}

}  // namespace vexilon
