#include "core/net/StreamText.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vexilon {
namespace {

// Anything past 2^40 is absurd for a part; a longer number stays huge without overflowing.
constexpr int64_t kContentLengthCeiling = int64_t(1) << 40;

}  // namespace

size_t FindHeadEnd(std::string_view text, size_t& resume) {
  size_t i = std::min(resume, text.size());
  while (i < text.size()) {
    const void* found = std::memchr(text.data() + i, '\n', text.size() - i);
    if (found == nullptr) {
      resume = text.size();
      return std::string_view::npos;
    }
    const size_t k = static_cast<const char*>(found) - text.data();
    if (k + 1 >= text.size()) {
      resume = k;
      return std::string_view::npos;
    }
    if (text[k + 1] == '\n') return k + 2;
    if (text[k + 1] == '\r' && k > 0 && text[k - 1] == '\r') {
      if (k + 2 >= text.size()) {
        resume = k;
        return std::string_view::npos;
      }
      if (text[k + 2] == '\n') return k + 3;
    }
    i = k + 1;
  }
  resume = text.size();
  return std::string_view::npos;
}

std::string BoundaryMarker(std::string_view head) {
  const size_t at = head.find("boundary=");
  if (at == std::string_view::npos) return {};
  std::string_view value = head.substr(at + 9, kMaxBoundary);
  value = value.substr(0, value.find('\n'));
  if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
  // A quoted boundary is legal HTTP; its quotes are not part of the delimiter.
  if (value.size() >= 2 && value.front() == '"') {
    const size_t close = value.find('"', 1);
    if (close != std::string_view::npos) value = value.substr(1, close - 1);
  }
  // Some cameras declare the delimiter with its two dashes; without them the marker is found
  // in both that delimiter and the one the declaration asks for.
  if (value.size() > 2 && value.starts_with("--")) value.remove_prefix(2);
  if (value.empty()) return {};
  return "-" + std::string(value);
}

size_t FindNoCase(std::string_view text, std::string_view what) {
  const auto it = std::search(
      text.begin(), text.end(), what.begin(), what.end(),
      [](char a, char b) { return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b)); });
  return it == text.end() ? std::string_view::npos : size_t(it - text.begin());
}

namespace {

std::string_view LineValue(std::string_view head, size_t from) {
  std::string_view value = head.substr(from);
  value = value.substr(0, value.find_first_of("\r\n"));
  const size_t first = value.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  value = value.substr(first);
  return value.substr(0, value.find_last_not_of(" \t") + 1);
}

}  // namespace

bool IsChunkedHead(std::string_view head) {
  for (size_t from = 0;;) {
    const size_t at = FindNoCase(head.substr(from), "transfer-encoding:");
    if (at == std::string_view::npos) return false;
    from += at + 18;
    if (FindNoCase(LineValue(head, from), "chunked") != std::string_view::npos) return true;
  }
}

std::optional<int64_t> PartContentLength(std::string_view head) {
  const size_t at = FindNoCase(head, "content-length:");
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view value = LineValue(head, at + 15);
  bool negative = false;
  if (!value.empty() && (value[0] == '-' || value[0] == '+')) {
    negative = value[0] == '-';
    value.remove_prefix(1);
  }
  if (value.empty()) return std::nullopt;
  int64_t number = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    if (number < kContentLengthCeiling) number = number * 10 + (c - '0');
  }
  return negative ? -number : number;
}

}  // namespace vexilon
