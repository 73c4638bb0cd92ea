#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vexilon {

inline constexpr std::string_view kDataFileHeader = "Vexilon Data File";
inline constexpr std::string_view kPublishedMagic = ".vxp";
// Magic, serial, time and the length of the extension block.
inline constexpr std::size_t kPublishedHeaderSize = 28;
// The end mark of the records; so no record can be this long.
inline constexpr std::uint16_t kRecordsEnd = 0xFFFF;
// Decompressed data beyond this is ignored, so that a small file cannot exhaust memory.
inline constexpr std::size_t kMaxInflatedBytes = std::size_t{256} << 20;

// A point in time as the publication time of a published file stores it (UTC).
struct TSystemTime {
  std::uint16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t DayOfWeek = 0;  // 0 is Sunday
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;
  std::uint16_t Milliseconds = 0;
  bool operator==(const TSystemTime&) const = default;
};

TSystemTime CurrentUtcTime();

struct TPublishedHeader {
  std::uint32_t Serial = 0;  // 0 in a file created anew
  TSystemTime Time;          // the time of the first writing
};

// The 28 header bytes of a published file, with an empty extension block.
std::string FormatPublishedHeader(const TPublishedHeader& header);
// The time as a system-time record stores it: eight little-endian 16-bit fields.
TSystemTime ParseSystemTime(std::string_view sixteenBytes);
// Serial and time from bytes that begin with the magic and hold at least 24 bytes.
bool ParsePublishedHeader(std::string_view bytes, TPublishedHeader& header);
// Serial and time of the published file path; false when it is not one (or is unreadable).
bool ReadPublishedHeader(const std::string& path, TPublishedHeader& header);

// A stream of bytes read front to back.
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Up to size bytes into buffer; fewer only at the end of the data.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::string_view data) : FData(data) {}
  std::size_t Read(char* buffer, std::size_t size) override;

 private:
  std::string_view FData;
};

// The bytes of a zlib stream read from compressed. Corrupt or truncated data ends the output
// where it went wrong (what came before stays good); output beyond limit is not produced.
class TInflateSource final : public TByteSource {
 public:
  explicit TInflateSource(TByteSource& compressed, std::size_t limit = kMaxInflatedBytes);
  ~TInflateSource() override;
  TInflateSource(const TInflateSource&) = delete;
  TInflateSource& operator=(const TInflateSource&) = delete;
  std::size_t Read(char* buffer, std::size_t size) override;

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};

// A published connection file opened for reading: header first, then its inflated records.
class TPublishedReader {
 public:
  // Never throws; Magic() tells whether the file opened and begins with the magic.
  explicit TPublishedReader(const std::string& path);
  ~TPublishedReader();
  TPublishedReader(const TPublishedReader&) = delete;
  TPublishedReader& operator=(const TPublishedReader&) = delete;

  bool Magic() const { return FMagic; }
  // Throw std::runtime_error when the header is cut short.
  const TPublishedHeader& Header() const;
  TByteSource& Data();

 private:
  class TFileSource;
  std::unique_ptr<TFileSource> FFile;
  std::unique_ptr<TInflateSource> FInflate;
  TPublishedHeader FHeader;
  bool FMagic = false;
  bool FHeaderRead = false;
};

// Reads the records of a published file: a 16-bit length and that many bytes each. Records
// of length 0 are skipped; the end mark, a record cut short or the end of the data end them.
class TRecordReader {
 public:
  explicit TRecordReader(TByteSource& source) : FSource(source) {}
  bool Next(std::string& record);

 private:
  TByteSource& FSource;
  bool FEnded = false;
};

// Appends text as one record; throws std::length_error when it is too long for one.
void AppendRecord(std::string& out, std::string_view text);
void AppendRecordsEnd(std::string& out);

// data as a zlib stream at compression level 9.
std::string Deflate(std::string_view data);

}  // namespace vexilon
