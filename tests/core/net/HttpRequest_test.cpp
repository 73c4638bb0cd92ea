#include "core/net/HttpRequest.h"

#include <gtest/gtest.h>

namespace vexilon {
namespace {

TEST(HttpRequest, RequestForms) {
  struct {
    const char* Address;
    int Flags;
    int ProxyType;
    const char* Auth;
    const char* Headers;
    const char* Suffix;
    const char* Expected;
  } cases[] = {
      {"http://cam/video.cgi", kSimpleGetFlag, 0, "", "", "?r=1",
       "GET /video.cgi?r=1 HTTP/1.0\r\n\r\n"},
      // Without the simple-GET flag the request line holds the absolute address.
      {"http://cam/video.cgi", 0, 0, "", "", "", "GET http://cam:80/video.cgi HTTP/1.0\r\n\r\n"},
      {"http://cam:8080/v", 0, 0, "", "", "", "GET http://cam:8080/v HTTP/1.0\r\n\r\n"},
      {"https://cam/v", 0, 0, "", "", "", "GET https://cam:443/v HTTP/1.0\r\n\r\n"},
      {"http://[::1]:81/v", 0, 0, "", "", "", "GET http://[::1]:81/v HTTP/1.0\r\n\r\n"},
      // No "://": no host; the whole text is the path.
      {"video.cgi", 0, 0, "", "", "", "GET http://video.cgi HTTP/1.0\r\n\r\n"},
      // An extended-GET proxy always gets the absolute form; every proxy gets a Host line.
      {"http://cam/v", kSimpleGetFlag, 2, "", "", "",
       "GET http://cam:80/v HTTP/1.0\r\nHost: cam\r\n\r\n"},
      {"http://cam/v", kSimpleGetFlag, 3, "", "", "", "GET /v HTTP/1.0\r\nHost: cam\r\n\r\n"},
      {"http://cam:8080/v", kSimpleGetFlag, 3, "", "", "",
       "GET /v HTTP/1.0\r\nHost: cam:8080\r\n\r\n"},
      {"http://cam/v", kSimpleGetFlag, 1, "", "", "", "GET /v HTTP/1.0\r\nHost: cam\r\n\r\n"},
      // Extra headers end with one line break; an own Host line replaces the automatic one.
      {"http://cam/v", kSimpleGetFlag, 0, "", "X-A: 1\r\nX-B: 2", "",
       "GET /v HTTP/1.0\r\nX-A: 1\r\nX-B: 2\r\n\r\n"},
      {"http://cam/v", kSimpleGetFlag, 0, "", "X-A: 1\r\n", "",
       "GET /v HTTP/1.0\r\nX-A: 1\r\n\r\n"},
      {"http://cam/v", kSimpleGetFlag, 3, "", "Host: other\r\n", "",
       "GET /v HTTP/1.0\r\nHost: other\r\n\r\n"},
      {"http://cam/v", kSimpleGetFlag, 3, "", "X-A: 1\r\nhost: other", "",
       "GET /v HTTP/1.0\r\nX-A: 1\r\nhost: other\r\n\r\n"},
      // Credentials in the address win over AUTH, even a user alone (empty password).
      {"http://cam/v", kSimpleGetFlag, 0, "admin:secret", "", "",
       "GET /v HTTP/1.0\r\nAuthorization: Basic YWRtaW46c2VjcmV0\r\n\r\n"},
      {"http://joe:pw@cam/v", kSimpleGetFlag, 0, "admin:secret", "", "",
       "GET /v HTTP/1.0\r\nAuthorization: Basic am9lOnB3\r\n\r\n"},
      {"http://joe@cam/v", kSimpleGetFlag, 0, "admin:secret", "", "",
       "GET /v HTTP/1.0\r\nAuthorization: Basic am9lOg==\r\n\r\n"},
      {"http://cam/v", 0, 2, "a:b", "X: y", "?q",
       "GET http://cam:80/v?q HTTP/1.0\r\nX: y\r\nHost: cam\r\nAuthorization: Basic YTpi\r\n\r\n"},
      // Line breaks in an entry's address or suffix cannot add header lines of their own.
      {"http://cam\r\nX: 1/v\r\nEvil: 1", kSimpleGetFlag, 3, "", "", "\n?q",
       "GET /v%0D%0AEvil: 1%0A?q HTTP/1.0\r\nHost: cam%0D%0AX\r\n\r\n"},
  };
  for (const auto& c : cases) {
    TRequestInput in;
    in.Address = c.Address;
    in.Flags = c.Flags;
    in.ProxyType = c.ProxyType;
    in.Auth = c.Auth;
    in.Headers = c.Headers;
    EXPECT_EQ(BuildRequest(in, c.Suffix), c.Expected) << c.Address << " " << c.Headers;
  }
}

TEST(HttpRequest, ConnectTunnelAndTarget) {
  EXPECT_EQ(BuildConnectRequest("http://cam:8080/x"), "CONNECT cam:8080 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(BuildConnectRequest("ftp://cam/x"), "CONNECT cam:80 HTTP/1.0\r\n\r\n");
  struct {
    const char* Proxy;
    int Type;
    const char* Host;
    int Port;
  } cases[] = {
      {"", 1, "cam", 8080},
      {"px:3128", 0, "cam", 8080},
      {"px:3128", 1, "px", 3128},
      {"px", 3, "px", 80},
      {"px:abc", 2, "px", 80},
      {"px:312899", 2, "px", 31289},
      {"10.0.0.9:81", 1, "10.0.0.9", 81},
  };
  for (const auto& c : cases) {
    const TConnectTarget t = ConnectTarget("http://cam:8080/v", c.Proxy, c.Type);
    EXPECT_EQ(t.Host, c.Host) << c.Proxy;
    EXPECT_EQ(t.Port, c.Port) << c.Proxy;
  }
  EXPECT_EQ(ConnectTarget("video.cgi", "", 0).Host, "");
}

}  // namespace
}  // namespace vexilon
