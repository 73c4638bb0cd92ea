#include "core/net/RtspAddress.h"

#include <cctype>

namespace vexilon {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  return true;
}

// Where the part after "scheme://" starts, and where its user part ends ('@'), if any.
size_t AuthorityStart(std::string_view address) {
  const size_t scheme = address.find("://");
  return scheme == std::string_view::npos ? 0 : scheme + 3;
}

size_t UserEnd(std::string_view address, size_t start) {
  const size_t end = address.find_first_of("/?#", start);
  const size_t at = address.rfind('@', end == std::string_view::npos ? address.size() : end);
  return at == std::string_view::npos || at < start ? std::string_view::npos : at;
}

std::string Escaped(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

bool IsRtspAddress(std::string_view address) {
  return StartsWithNoCase(address, "rtsp://") || StartsWithNoCase(address, "rtsps://");
}

std::string RtspUrlWithAuth(std::string_view address, std::string_view auth) {
  const size_t start = AuthorityStart(address);
  if (auth.empty() || UserEnd(address, start) != std::string_view::npos)
    return std::string(address);
  const size_t colon = auth.find(':');
  std::string user = Escaped(auth.substr(0, colon));
  if (colon != std::string_view::npos) user += ":" + Escaped(auth.substr(colon + 1));
  return std::string(address.substr(0, start)) + user + "@" + std::string(address.substr(start));
}

std::string RtspUrlForDisplay(std::string_view address) {
  const size_t start = AuthorityStart(address);
  const size_t at = UserEnd(address, start);
  if (at == std::string_view::npos) return std::string(address);
  const std::string_view user = address.substr(start, at - start);
  const size_t colon = user.find(':');
  if (colon == std::string_view::npos) return std::string(address);
  return std::string(address.substr(0, start + colon)) + ":***" + std::string(address.substr(at));
}

}  // namespace vexilon
