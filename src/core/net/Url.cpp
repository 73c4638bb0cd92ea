#include "core/net/Url.h"

#include <algorithm>
#include <cctype>

namespace vexilon {
namespace {

// Start of the authority (just after "://"), or npos when the address has none. The first
// colon must have at least two characters before it so that "c:\..." is never a scheme.
size_t AuthorityStart(std::string_view url) {
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon < 2) return std::string_view::npos;
  if (url.substr(colon + 1, 2) != "//") return std::string_view::npos;
  return colon + 3;
}

// Everything between "://" and the path, user information and port included. A "\" ends it
// as well as a "/": the path accepts both, so a host must not swallow a backslashed path.
std::string_view AuthorityRegion(std::string_view url) {
  const size_t start = AuthorityStart(url);
  if (start == std::string_view::npos) return {};
  const size_t end = url.find_first_of("/\\", start);
  return url.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

// The host and port part: after the last "@" (a password may itself hold an "@").
std::string_view HostPort(std::string_view region) {
  const size_t at = region.rfind('@');
  return at == std::string_view::npos ? region : region.substr(at + 1);
}

// Splits host[:port], accepting a bracketed IPv6 literal ("[::1]:8080"); answers whether a
// port separator is present.
bool SplitHostPort(std::string_view hostPort, std::string_view& host, std::string_view& port) {
  port = {};
  if (!hostPort.empty() && hostPort.front() == '[') {
    const size_t close = hostPort.find(']');
    if (close != std::string_view::npos) {
      host = hostPort.substr(1, close - 1);
      if (hostPort.substr(close + 1, 1) != ":") return false;
      port = hostPort.substr(close + 2);
      return true;
    }
  }
  const size_t colon = hostPort.find(':');
  host = hostPort.substr(0, colon);
  if (colon == std::string_view::npos) return false;
  port = hostPort.substr(colon + 1);
  return true;
}

std::string OrDefault(std::string_view value, std::string_view fallback) {
  return std::string(value.empty() ? fallback : value);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
         });
}

}  // namespace

std::string UrlScheme(std::string_view url) {
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon < 2) return {};
  return std::string(url.substr(0, colon));
}

std::string UrlAuthority(std::string_view url) {
  const std::string_view region = AuthorityRegion(url);
  if (region.find('@') != std::string_view::npos) return std::string(region);
  std::string_view host, port;
  SplitHostPort(region, host, port);
  // A bracketed IPv6 literal keeps its brackets.
  return std::string(region.substr(
      0, host.data() - region.data() + host.size() + (host.data() != region.data() ? 1 : 0)));
}

std::string UrlHost(std::string_view url, std::string_view defaultHost) {
  std::string_view host, port;
  SplitHostPort(HostPort(AuthorityRegion(url)), host, port);
  return OrDefault(host, defaultHost);
}

std::string UrlUser(std::string_view url, std::string_view defaultUser) {
  const std::string_view region = AuthorityRegion(url);
  const size_t at = region.rfind('@');
  if (at == std::string_view::npos) return std::string(defaultUser);
  const std::string_view info = region.substr(0, at);
  return OrDefault(info.substr(0, info.find(':')), defaultUser);
}

std::string UrlPassword(std::string_view url, std::string_view defaultPassword) {
  const std::string_view region = AuthorityRegion(url);
  const size_t at = region.rfind('@');
  if (at == std::string_view::npos) return std::string(defaultPassword);
  const std::string_view info = region.substr(0, at);
  const size_t colon = info.find(':');
  return OrDefault(colon == std::string_view::npos ? std::string_view{} : info.substr(colon + 1),
                   defaultPassword);
}

int UrlPort(std::string_view url, int defaultPort) {
  if (defaultPort == 0) {
    const std::string scheme = UrlScheme(url);
    if (EqualsNoCase(scheme, "ftp")) defaultPort = 21;
    if (EqualsNoCase(scheme, "http")) defaultPort = 80;
    if (EqualsNoCase(scheme, "https")) defaultPort = 443;
    if (EqualsNoCase(scheme, "mailto")) defaultPort = 25;
  }
  std::string_view host, port;
  if (!SplitHostPort(HostPort(AuthorityRegion(url)), host, port)) return defaultPort;
  if (port.empty() || port.size() > 5) return defaultPort;
  int value = 0;
  for (char c : port) {
    if (c < '0' || c > '9') return defaultPort;
    value = value * 10 + (c - '0');
  }
  return value <= 65535 ? value : defaultPort;
}

bool IsHttpsUrl(std::string_view url) {
  return EqualsNoCase(UrlScheme(url), "https");
}

int WebPort(std::string_view url) {
  return UrlPort(url, IsHttpsUrl(url) ? 443 : 80);
}

std::string UrlPath(std::string_view url) {
  const size_t slashes = url.find("://");
  if (slashes == std::string_view::npos) return std::string(url);
  const size_t start = url.find_first_of("/\\", slashes + 3);
  if (start == std::string_view::npos) return "/";
  std::string path(url.substr(start));
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool IsDottedAddress(std::string_view host) {
  if (host.empty()) return false;
  size_t dots = 0, digits = 0;
  for (char c : host) {
    if (c == '.') {
      ++dots;
    } else if (c >= '0' && c <= '9') {
      ++digits;
    } else {
      return false;
    }
  }
  return dots == 3 && dots < digits;
}

}  // namespace vexilon
