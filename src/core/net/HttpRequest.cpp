#include "core/net/HttpRequest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "core/net/Base64.h"
#include "core/net/Url.h"

namespace vexilon {
namespace {

// Text from an address or a suffix going into a request line: a line break (or a NUL) in a
// catalogue entry must not end the line and start header lines of its own, so those are
// percent-encoded as a URL would have them.
std::string LineSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\r' || c == '\n' || c == '\0') {
      static const char kHex[] = "0123456789ABCDEF";
      out += '%';
      out += kHex[(std::uint8_t(c) >> 4) & 15];
      out += kHex[std::uint8_t(c) & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// An IPv6 literal goes back into brackets wherever a host is written into a URL or header.
std::string HostText(const std::string& host) {
  const std::string safe = LineSafe(host);
  return safe.find(':') == std::string::npos ? safe : "[" + safe + "]";
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool ContainsNoCase(std::string_view text, std::string_view what) {
  return std::search(text.begin(), text.end(), what.begin(), what.end(), [](char a, char b) {
           return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b));
         }) != text.end();
}

}  // namespace

std::string RequestCredentials(const TRequestInput& input) {
  const std::string user = UrlUser(input.Address);
  const std::string password = UrlPassword(input.Address);
  return user.empty() && password.empty() ? input.Auth : user + ":" + password;
}

std::string BuildRequest(const TRequestInput& input, std::string_view expandedSuffix) {
  const std::string& address = input.Address;
  const std::string credentials = RequestCredentials(input);
  const std::string host = UrlHost(address);

  std::string target;
  if ((input.Flags & kSimpleGetFlag) == 0 || input.ProxyType == 2) {
    target = (IsHttpsUrl(address) ? "https://" : "http://") + HostText(host);
    if (const int port = UrlPort(address); port != 0) target += ":" + std::to_string(port);
  }
  target += UrlPath(address);

  target = LineSafe(target) + LineSafe(expandedSuffix);
  std::string request = "GET " + target + " HTTP/1.0\r\n";
  if (!input.Headers.empty()) {
    request += input.Headers;
    if (!EndsWith(request, "\r\n")) request += "\r\n";
  }
  // Header names are case-insensitive: a user's own "host:" line must not get a twin.
  if (input.ProxyType != 0 && !ContainsNoCase(request, "\r\nHost:")) {
    request += "Host: " + HostText(host);
    // A proxy routes by this line, so a camera on another port than 80 needs it named.
    if (const int port = UrlPort(address); port != 0 && port != (IsHttpsUrl(address) ? 443 : 80)) {
      request += ":" + std::to_string(port);
    }
    request += "\r\n";
  }
  if (input.Authorization) {
    request += input.Authorization(credentials, target);
  } else if (!credentials.empty()) {
    request += "Authorization: Basic " + EncodeBase64(credentials) + "\r\n";
  }
  request += "\r\n";
  return request;
}

std::string BuildConnectRequest(std::string_view address) {
  return "CONNECT " + HostText(UrlHost(address)) + ":" + std::to_string(WebPort(address)) +
         " HTTP/1.0\r\n\r\n";
}

TConnectTarget ConnectTarget(std::string_view address, std::string_view proxy, int proxyType) {
  if (proxyType == 0 || proxy.empty()) return {UrlHost(address), WebPort(address)};
  const size_t colon = proxy.find(':');
  if (colon == std::string_view::npos) return {std::string(proxy), 80};
  TConnectTarget target{std::string(proxy.substr(0, colon)), 80};
  const std::string_view portText = proxy.substr(colon + 1, 5);
  int port = 0;
  bool readable = !portText.empty();
  for (char c : portText) {
    if (c < '0' || c > '9') readable = false;
    if (readable) port = port * 10 + (c - '0');
  }
  if (readable && port <= 65535) target.Port = port;
  return target;
}

}  // namespace vexilon
