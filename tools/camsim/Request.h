#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexilon::camsim {

class TPeer;

// A request as camsim reads it. The target comes in the three forms a camera viewer uses:
// a path ("/push?nolength"), an absolute address ("http://127.0.0.1:8481/push", the form
// for proxies and by default even without one) and, for CONNECT, "host:port".
struct TRequest {
  std::string Method;
  std::string Target;
  std::string Version;
  std::string Path;                                        // without the query
  std::vector<std::pair<std::string, std::string>> Query;  // "key" alone has an empty value
  std::vector<std::pair<std::string, std::string>> Headers;
  // Host and port named by an absolute target, a CONNECT target or else the Host line; port
  // 0 when none was given.
  std::string Host;
  int Port = 0;
  bool Absolute = false;  // the target named the host

  // Case-insensitive; empty when absent.
  std::string Header(std::string_view name) const;
  bool Has(std::string_view key) const;
  std::string Param(std::string_view key) const;
  // The parameter as a number within [low, high]; fallback when absent or unreadable.
  long Number(std::string_view key, long fallback, long low, long high) const;
  // The target in path form, as it is passed on to the next server.
  std::string OriginTarget() const;
};

// Bounds on what a client can make us hold while it sends its request.
inline constexpr std::size_t kMaxRequestHead = 16384;

// Reads up to the blank line that ends the head. rest gets any bytes after it (a client
// may send ahead through a tunnel). False, with a status to answer (400, 408, 431) or 0
// when the client went away.
bool ReadRequestHead(TPeer& peer, std::string& head, std::string& rest, int& status);

// False with a reason when the head is not a request line with headers.
bool ParseRequest(std::string_view head, TRequest& out, std::string& error);

// "host", "host:port" or "[v6]:port"; port 0 when absent, -1 when unreadable.
void SplitHostPort(std::string_view authority, std::string& host, int& port);

}  // namespace vexilon::camsim
