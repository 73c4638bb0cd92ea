#include "Request.h"

#include <algorithm>
#include <charconv>
#include <chrono>

#include "Peer.h"

namespace vexilon::camsim {
namespace {

constexpr std::chrono::seconds kRequestTimeout{10};

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// End of the head: after CR LF CR LF or LF LF, whichever comes first; npos when not there.
std::size_t HeadEnd(std::string_view text) {
  const std::size_t crlf = text.find("\r\n\r\n"), lf = text.find("\n\n");
  if (lf != std::string_view::npos && (crlf == std::string_view::npos || lf < crlf)) return lf + 2;
  return crlf == std::string_view::npos ? crlf : crlf + 4;
}

void ParseQuery(std::string_view query, TRequest& out) {
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view item = query.substr(0, amp);
    if (!item.empty()) {
      const std::size_t eq = item.find('=');
      out.Query.emplace_back(std::string(item.substr(0, eq)),
                             eq == std::string_view::npos ? "" : std::string(item.substr(eq + 1)));
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
}

}  // namespace

std::string TRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : Headers) {
    if (EqualNoCase(key, name)) return value;
  }
  return {};
}

bool TRequest::Has(std::string_view key) const {
  return std::any_of(Query.begin(), Query.end(), [&](const auto& p) { return p.first == key; });
}

std::string TRequest::Param(std::string_view key) const {
  for (const auto& [k, v] : Query) {
    if (k == key) return v;
  }
  return {};
}

long TRequest::Number(std::string_view key, long fallback, long low, long high) const {
  const std::string text = Param(key);
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return fallback;
  return std::clamp(value, low, high);
}

std::string TRequest::OriginTarget() const {
  if (!Absolute) return Target;
  const std::size_t slash = Target.find('/', Target.find("://") + 3);
  return slash == std::string::npos ? "/" : Target.substr(slash);
}

void SplitHostPort(std::string_view authority, std::string& host, int& port) {
  port = 0;
  std::size_t colon = authority.rfind(':');
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    colon = close == std::string_view::npos ? close : authority.find(':', close);
  }
  host = std::string(authority.substr(0, colon));
  if (colon == std::string_view::npos) return;
  const std::string_view digits = authority.substr(colon + 1);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || port < 1 ||
      port > 65535) {
    port = -1;
  }
}

bool ReadRequestHead(TPeer& peer, std::string& head, std::string& rest, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + kRequestTimeout;
  std::string bytes;
  for (;;) {
    const std::size_t end = HeadEnd(bytes);
    if (end != std::string::npos) {
      head = bytes.substr(0, end);
      rest = bytes.substr(end);
      return true;
    }
    if (bytes.size() > kMaxRequestHead) {
      status = 431;
      return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      status = 408;
      return false;
    }
    if (peer.Receive(bytes, kMaxRequestHead + 1 - bytes.size(),
                     std::min(left, std::chrono::milliseconds(200))) < 0) {
      status = 0;
      return false;
    }
  }
}

bool ParseRequest(std::string_view head, TRequest& out, std::string& error) {
  out = TRequest();
  const std::size_t lineEnd = head.find('\n');
  const std::string_view line = Trim(head.substr(0, lineEnd));
  const std::size_t s1 = line.find(' ');
  const std::size_t s2 = s1 == std::string_view::npos ? s1 : line.find(' ', s1 + 1);
  if (s2 == std::string_view::npos || line.find(' ', s2 + 1) != std::string_view::npos) {
    error = "the request line is not METHOD TARGET VERSION";
    return false;
  }
  out.Method = line.substr(0, s1);
  out.Target = line.substr(s1 + 1, s2 - s1 - 1);
  out.Version = line.substr(s2 + 1);
  if (!out.Version.starts_with("HTTP/") || out.Target.empty()) {
    error = "the request line is not METHOD TARGET VERSION";
    return false;
  }

  std::string_view lines = lineEnd == std::string_view::npos ? "" : head.substr(lineEnd + 1);
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    const std::string_view header = Trim(lines.substr(0, end));
    lines = end == std::string_view::npos ? "" : lines.substr(end + 1);
    if (header.empty()) continue;
    const std::size_t colon = header.find(':');
    if (colon == std::string_view::npos || colon == 0) {
      error = "a header line has no name";
      return false;
    }
    out.Headers.emplace_back(std::string(Trim(header.substr(0, colon))),
                             std::string(Trim(header.substr(colon + 1))));
  }

  std::string_view target = out.Target;
  std::string_view authority;
  if (out.Method == "CONNECT") {
    authority = target;
    target = "/";
  } else if (const std::size_t scheme = target.find("://");
             scheme != std::string_view::npos && target.front() != '/') {
    // An https address comes through --https: its TLS has already been taken off.
    if (!EqualNoCase(target.substr(0, scheme), "http") &&
        !EqualNoCase(target.substr(0, scheme), "https")) {
      error = "only http and https addresses are served";
      return false;
    }
    out.Absolute = true;
    const std::size_t slash = target.find('/', scheme + 3);
    authority = target.substr(scheme + 3, slash - scheme - 3);
    target = slash == std::string_view::npos ? "/" : target.substr(slash);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
      authority.remove_prefix(at + 1);
    }
  } else if (target.front() != '/') {
    error = "the target is neither a path nor an http address";
    return false;
  }
  const std::string host = authority.empty() ? out.Header("Host") : std::string(authority);
  SplitHostPort(host, out.Host, out.Port);
  if (out.Port < 0) {
    error = "the port is not a number from 1 to 65535";
    return false;
  }
  const std::size_t question = target.find('?');
  out.Path = target.substr(0, question);
  if (question != std::string_view::npos) ParseQuery(target.substr(question + 1), out);
  return true;
}

}  // namespace vexilon::camsim
