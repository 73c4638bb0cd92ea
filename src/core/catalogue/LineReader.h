#pragma once
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace vexilon {

// Longer lines keep their first bytes only, so a hostile file cannot exhaust memory.
inline constexpr std::size_t kMaxLineBytes = std::size_t{16} << 20;

// Reads a text file line by line. CR LF, a lone CR and a lone LF each end a line.
class TLineReader {
 public:
  explicit TLineReader(std::size_t maxLine = kMaxLineBytes);
  ~TLineReader();
  TLineReader(const TLineReader&) = delete;
  TLineReader& operator=(const TLineReader&) = delete;

  // False when the file cannot be opened.
  bool Open(const std::string& path);
  // The next line without its line end; false at the end of the file.
  bool ReadLine(std::string& line);

 private:
  bool Fill();

  std::size_t FMaxLine;
  std::FILE* FFile = nullptr;
  std::vector<char> FBuffer;
  std::size_t FPos = 0;
  std::size_t FLength = 0;
  bool FSkipLf = false;  // the last line ended with CR: a LF next belongs to it
};

}  // namespace vexilon
