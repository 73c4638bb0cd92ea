#include "core/desktop/DesktopFile.h"

#include <filesystem>
#include <system_error>

#include "core/app/AtomicFile.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/RecordText.h"

namespace vexilon {

namespace {

void AppendPlace(std::string& out, const TDesktopLine& line) {
  out += "LEFT=" + std::to_string(line.Left) + " TOP=" + std::to_string(line.Top) +
         " WIDTH=" + std::to_string(line.Width) + " HEIGHT=" + std::to_string(line.Height);
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

// Splits off the next line; CR LF, a lone CR and a lone LF each end one.
bool NextLine(std::string_view& text, std::string_view& line) {
  if (text.empty()) return false;
  const std::size_t end = text.find_first_of("\r\n");
  line = text.substr(0, end);
  if (end == std::string_view::npos) {
    text = {};
    return true;
  }
  std::size_t next = end + 1;
  if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
  text.remove_prefix(next);
  return true;
}

EDesktopFile OpenError(const std::string& file, const std::string& reason) {
  return EDesktopFile("Cannot open file \"" + file + "\". " + reason);
}

}  // namespace

std::string FormatDesktopFile(const TDesktopLine& desktop,
                              const std::vector<TDesktopLine>& cameras) {
  std::string out = std::string(kDesktopFileHeader) + "\r\n";
  AppendPlace(out, desktop);
  out += "\r\n";
  for (const TDesktopLine& camera : cameras) {
    // Without a path the line would move the desktop window when read back, and a line end
    // inside the path would split the line.
    if (camera.Path.empty() || camera.Path.find_first_of("\r\n") != std::string::npos) continue;
    AppendPlace(out, camera);
    out += " STYLE=" + std::to_string(camera.Style) + " PATH=" + RecordQuote(camera.Path) + "\r\n";
  }
  return out;
}

void WriteDesktopFile(const std::string& file, const TDesktopLine& desktop,
                      const std::vector<TDesktopLine>& cameras) {
  WriteFileAtomically(file, FormatDesktopFile(desktop, cameras));
}

std::vector<TDesktopLine> ParseDesktopText(std::string_view text) {
  std::string_view line;
  if (!NextLine(text, line) || line != kDesktopFileHeader) throw EDesktopFile(kNotADesktopFile);
  std::vector<TDesktopLine> lines;
  while (lines.size() < kMaxDesktopLines && NextLine(text, line)) {
    if (IsBlank(line)) continue;
    const TRecordFields fields(line);
    TDesktopLine& read = lines.emplace_back();
    read.Left = fields.Int("LEFT", 0);
    read.Top = fields.Int("TOP", 0);
    read.Width = fields.Int("WIDTH", 0);
    read.Height = fields.Int("HEIGHT", 0);
    read.Style = fields.Int("STYLE", 1);
    read.Path = fields.Value("PATH");
  }
  return lines;
}

std::vector<TDesktopLine> ReadDesktopFile(const std::string& file) {
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (error) throw OpenError(file, error.message());
  // A FIFO or a device could block the viewer or never end.
  if (!std::filesystem::is_regular_file(status)) throw OpenError(file, "Not a regular file.");
  const auto size = std::filesystem::file_size(file, error);
  if (error) throw OpenError(file, error.message());
  if (size > kMaxDesktopFileSize) throw OpenError(file, "The file is too large.");
  RepairLineEnds(file, kDesktopFileHeader);
  std::string content;
  if (!ReadWholeFile(file, content, kMaxDesktopFileSize))
    throw OpenError(file, "The file cannot be read.");
  return ParseDesktopText(content);
}

}  // namespace vexilon
