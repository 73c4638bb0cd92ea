#include "core/catalogue/PublishedFile.h"

#include <zlib.h>
#include <limits>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace vexilon {

namespace {

void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint16_t Get16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t Get32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

// Reads until size bytes came or the source ended.
std::size_t ReadFully(TByteSource& source, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    std::size_t got = source.Read(buffer + done, size - done);
    if (got == 0) break;
    done += got;
  }
  return done;
}

// Only regular files: a FIFO would block the open, a device might never end.
std::FILE* OpenRegularFile(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  return std::fopen(path.c_str(), "rb");
}

}  // namespace

TSystemTime CurrentUtcTime() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  TSystemTime time;
  time.Year = static_cast<std::uint16_t>(utc.tm_year + 1900);
  time.Month = static_cast<std::uint16_t>(utc.tm_mon + 1);
  time.DayOfWeek = static_cast<std::uint16_t>(utc.tm_wday);
  time.Day = static_cast<std::uint16_t>(utc.tm_mday);
  time.Hour = static_cast<std::uint16_t>(utc.tm_hour);
  time.Minute = static_cast<std::uint16_t>(utc.tm_min);
  time.Second = static_cast<std::uint16_t>(utc.tm_sec);
  time.Milliseconds = static_cast<std::uint16_t>(millis.count() % 1000);
  return time;
}

std::string FormatPublishedHeader(const TPublishedHeader& header) {
  std::string out(kPublishedMagic);
  Put32(out, header.Serial);
  const TSystemTime& t = header.Time;
  for (std::uint16_t field :
       {t.Year, t.Month, t.DayOfWeek, t.Day, t.Hour, t.Minute, t.Second, t.Milliseconds}) {
    Put16(out, field);
  }
  Put32(out, 0);  // no extension block
  return out;
}

TSystemTime ParseSystemTime(std::string_view sixteenBytes) {
  if (sixteenBytes.size() < 16) throw std::out_of_range("system time cut short");
  TSystemTime t;
  std::uint16_t* fields[] = {&t.Year, &t.Month,  &t.DayOfWeek, &t.Day,
                             &t.Hour, &t.Minute, &t.Second,    &t.Milliseconds};
  for (std::size_t i = 0; i < 8; ++i) *fields[i] = Get16(sixteenBytes, 2 * i);
  return t;
}

bool ParsePublishedHeader(std::string_view bytes, TPublishedHeader& header) {
  if (bytes.size() < 24 || bytes.substr(0, 4) != kPublishedMagic) return false;
  header.Serial = Get32(bytes, 4);
  header.Time = ParseSystemTime(bytes.substr(8, 16));
  return true;
}

bool ReadPublishedHeader(const std::string& path, TPublishedHeader& header) {
  std::FILE* file = OpenRegularFile(path);
  if (file == nullptr) return false;
  char bytes[24];
  std::size_t got = std::fread(bytes, 1, sizeof bytes, file);
  std::fclose(file);
  return ParsePublishedHeader(std::string_view(bytes, got), header);
}

std::size_t TMemorySource::Read(char* buffer, std::size_t size) {
  std::size_t n = std::min(size, FData.size());
  if (n > 0) std::memcpy(buffer, FData.data(), n);
  FData.remove_prefix(n);
  return n;
}

struct TInflateSource::TState {
  TByteSource& Compressed;
  std::size_t Left;  // output still allowed
  z_stream Stream{};
  std::vector<unsigned char> Input = std::vector<unsigned char>(64 * 1024);
  bool Ready = false;
  bool Ended = false;
  explicit TState(TByteSource& compressed, std::size_t limit)
      : Compressed(compressed), Left(limit) {}
};

TInflateSource::TInflateSource(TByteSource& compressed, std::size_t limit)
    : FState(std::make_unique<TState>(compressed, limit)) {
  FState->Ready = inflateInit(&FState->Stream) == Z_OK;
  FState->Ended = !FState->Ready;
}

TInflateSource::~TInflateSource() {
  if (FState->Ready) inflateEnd(&FState->Stream);
}

std::size_t TInflateSource::Read(char* buffer, std::size_t size) {
  TState& s = *FState;
  if (s.Ended) return 0;
  size = std::min(size, s.Left);
  std::size_t done = 0;
  while (done < size) {
    if (s.Stream.avail_in == 0) {
      std::size_t got = s.Compressed.Read(reinterpret_cast<char*>(s.Input.data()), s.Input.size());
      if (got == 0) {  // the data is cut short: what came so far stays
        s.Ended = true;
        break;
      }
      s.Stream.next_in = s.Input.data();
      s.Stream.avail_in = static_cast<uInt>(got);
    }
    std::size_t want = std::min<std::size_t>(size - done, 1u << 30);
    s.Stream.next_out = reinterpret_cast<Bytef*>(buffer + done);
    s.Stream.avail_out = static_cast<uInt>(want);
    int result = inflate(&s.Stream, Z_NO_FLUSH);
    done += want - s.Stream.avail_out;
    bool stuck = result == Z_BUF_ERROR && s.Stream.avail_in != 0;
    if (result == Z_STREAM_END || stuck || (result != Z_OK && result != Z_BUF_ERROR)) {
      s.Ended = true;
      break;
    }
  }
  s.Left -= done;
  if (s.Left == 0) s.Ended = true;
  return done;
}

class TPublishedReader::TFileSource final : public TByteSource {
 public:
  explicit TFileSource(const std::string& path) : FFile(OpenRegularFile(path)) {}
  ~TFileSource() override {
    if (FFile != nullptr) std::fclose(FFile);
  }
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;
  bool IsOpen() const { return FFile != nullptr; }
  std::size_t Read(char* buffer, std::size_t size) override {
    return FFile != nullptr ? std::fread(buffer, 1, size, FFile) : 0;
  }
  bool Skip(std::uint32_t count) {
    return count == 0 || std::fseek(FFile, static_cast<long>(count), SEEK_CUR) == 0;
  }

 private:
  std::FILE* FFile;
};

TPublishedReader::TPublishedReader(const std::string& path)
    : FFile(std::make_unique<TFileSource>(path)) {
  if (!FFile->IsOpen()) return;
  char bytes[kPublishedHeaderSize];
  std::size_t got = ReadFully(*FFile, bytes, sizeof bytes);
  std::string_view header(bytes, got);
  FMagic = header.substr(0, 4) == kPublishedMagic;
  if (!FMagic || got < kPublishedHeaderSize) return;
  ParsePublishedHeader(header, FHeader);
  std::uint32_t extension = Get32(header, 24);
  // A negative length cannot be skipped; one beyond the end leaves no data to read.
  FHeaderRead = extension <= std::uint32_t(std::numeric_limits<std::int32_t>::max()) &&
                FFile->Skip(extension);
}

TPublishedReader::~TPublishedReader() = default;

const TPublishedHeader& TPublishedReader::Header() const {
  if (!FHeaderRead) throw std::runtime_error("Published file header is incomplete");
  return FHeader;
}

TByteSource& TPublishedReader::Data() {
  Header();
  if (FInflate == nullptr) FInflate = std::make_unique<TInflateSource>(*FFile);
  return *FInflate;
}

bool TRecordReader::Next(std::string& record) {
  record.clear();
  while (!FEnded) {
    char length[2];
    if (ReadFully(FSource, length, 2) < 2) break;
    std::uint16_t size = Get16(std::string_view(length, 2), 0);
    if (size == kRecordsEnd) break;
    if (size == 0) continue;
    record.resize(size);
    // The length is checked against the data actually left: a short record ends the reading.
    if (ReadFully(FSource, record.data(), size) < size) break;
    return true;
  }
  FEnded = true;
  record.clear();
  return false;
}

void AppendRecord(std::string& out, std::string_view text) {
  if (text.size() >= kRecordsEnd) {
    throw std::length_error("A catalogue line of " + std::to_string(text.size()) +
                            " bytes is too long for a published file");
  }
  Put16(out, static_cast<std::uint16_t>(text.size()));
  out.append(text);
}

void AppendRecordsEnd(std::string& out) {
  Put16(out, kRecordsEnd);
}

std::string Deflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  int result =
      compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), 9);
  if (result != Z_OK) throw std::runtime_error("Compression failed: " + std::to_string(result));
  out.resize(size);
  return out;
}

}  // namespace vexilon
