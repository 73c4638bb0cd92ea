#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "core/catalogue/WebConnect.h"  // kSimpleGetFlag

namespace vexilon {

// What a camera request is built from: the descriptor's fields and the proxy setting.
struct TRequestInput {
  std::string Address;  // PREFIX followed by WEB
  std::string Auth;     // AUTH: "user:password" sent when the address carries none
  std::string Headers;  // HEADERS: extra lines joined by CR LF
  int Flags = 0;        // FLAGS: bit 0 "Send simple 'GET' request"
  int ProxyType = 0;    // PROXYTYPE: 0 none, 1 CONNECT, 2 absolute GET, 3 Host line only
  // The Authorization line (with CR LF, or empty) for the credentials and the request target
  // as sent; when not given, credentials go by Basic authentication.
  std::function<std::string(const std::string& credentials, const std::string& target)>
      Authorization;
};

// The credentials a request carries: "user:password" from the address when it names either,
// else Auth.
std::string RequestCredentials(const TRequestInput& input);

// The bytes of the GET request for input; expandedSuffix (SUFFIX after ExpandSuffix) is
// appended to the path.
std::string BuildRequest(const TRequestInput& input, std::string_view expandedSuffix);

// The request that opens a tunnel through a CONNECT proxy to the address's host.
std::string BuildConnectRequest(std::string_view address);

// Where the socket connects: the proxy when one is configured (proxyType not 0 and proxy not
// empty; "host[:port]", port 80 by default), else the address's own host and port.
struct TConnectTarget {
  std::string Host;
  int Port = 80;
};
TConnectTarget ConnectTarget(std::string_view address, std::string_view proxy, int proxyType);

}  // namespace vexilon
