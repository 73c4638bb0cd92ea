#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexilon {

inline constexpr const char* kDesktopFileHeader = "Vexilon Desktop File";
inline constexpr const char* kNotADesktopFile = "Not a valid Vexilon Desktop File";

// A desktop file holds a few dozen short lines; anything far larger is not one, and is refused
// rather than read so that a hostile file cannot claim the memory.
inline constexpr std::size_t kMaxDesktopFileSize = std::size_t{1} << 20;
// Lines after this many are ignored: each camera line opens a window with its threads.
inline constexpr std::size_t kMaxDesktopLines = 1000;

// A desktop file that cannot be used; the message is the text shown to the user.
class EDesktopFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One line after the header: the desktop window itself when Path is empty, else a camera
// window to open from the catalogue entry at Path. Positions and client sizes are in pixels;
// Style is the file's number (0 popup, 1 MDI child, 3 stay on top).
struct TDesktopLine {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  int Style = 1;
  std::string Path;

  bool operator==(const TDesktopLine&) const = default;
};

// The whole file: header, the desktop window's line, then one line per camera window, each
// ended by CR LF. The path is written as a record-text value, quoted when it must be; cameras
// whose path is empty or holds a line end cannot be written and are left out.
std::string FormatDesktopFile(const TDesktopLine& desktop,
                              const std::vector<TDesktopLine>& cameras);

// Replaces file with the formatted text atomically; throws EFileWrite.
void WriteDesktopFile(const std::string& file, const TDesktopLine& desktop,
                      const std::vector<TDesktopLine>& cameras);

// The lines after the header, in file order. Keys may stand in any order; a missing LEFT, TOP,
// WIDTH or HEIGHT reads as 0 and a missing STYLE as 1. Lines may end with CR LF, CR or LF;
// blank lines are skipped. Throws EDesktopFile(kNotADesktopFile) when the first line is not
// exactly the header.
std::vector<TDesktopLine> ParseDesktopText(std::string_view text);

// Reads file: first its bare LF line ends become CR (written back when the file starts with the
// header and may be written), then ParseDesktopText. Throws EDesktopFile naming the file when
// it is missing, not a regular file, unreadable or too large.
std::vector<TDesktopLine> ReadDesktopFile(const std::string& file);

}  // namespace vexilon
