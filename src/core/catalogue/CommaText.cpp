#include "core/catalogue/CommaText.h"

namespace vexilon {

namespace {

bool IsSpaceOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

bool NeedsQuotes(std::string_view line) {
  for (char c : line) {
    if (IsSpaceOrControl(c) || c == '"' || c == ',') return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t p = 0;
  while (p < text.size()) {
    std::size_t end = text.find_first_of("\r\n", p);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(p, end - p));
    p = end;
    if (p < text.size() && text[p] == '\r') ++p;
    if (p < text.size() && text[p] == '\n') ++p;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string HeadersToCommaText(std::string_view headers) {
  std::vector<std::string> lines = SplitLines(headers);
  if (lines.size() == 1 && lines[0].empty()) return "\"\"";
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += ',';
    const std::string& line = lines[i];
    if (!NeedsQuotes(line)) {
      out += line;
      continue;
    }
    out += '"';
    for (char c : line) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

std::string CommaTextToHeaders(std::string_view text) {
  // A NUL ends the text, as it always has for this notation.
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  std::size_t p = 0;
  auto skipBlanks = [&] {
    while (p < text.size() && IsSpaceOrControl(text[p])) ++p;
  };
  skipBlanks();
  while (p < text.size()) {
    std::string line;
    if (text[p] == '"') {
      ++p;
      while (p < text.size()) {
        if (text[p] == '"') {
          if (p + 1 < text.size() && text[p + 1] == '"') {
            line += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        line += text[p++];
      }
    } else {
      std::size_t begin = p;
      while (p < text.size() && !IsSpaceOrControl(text[p]) && text[p] != ',') ++p;
      line.assign(text.substr(begin, p - begin));
    }
    lines.push_back(std::move(line));
    skipBlanks();
    if (p < text.size() && text[p] == ',') {
      if (p + 1 == text.size()) lines.emplace_back();  // a trailing comma ends with an empty line
      ++p;
      skipBlanks();
    }
  }
  return JoinLines(lines);
}

}  // namespace vexilon
