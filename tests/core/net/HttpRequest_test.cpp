#include "core/net/HttpRequest.h"

#include <gtest/gtest.h>

namespace vexilon {
namespace {

TRequestInput Input(std::string address, int flags = kSimpleGetFlag, int proxyType = 0) {
  TRequestInput input;
  input.Address = std::move(address);
  input.Flags = flags;
  input.ProxyType = proxyType;
  return input;
}

TEST(HttpRequest, SimpleGetWithoutProxyIsJustThePath) {
  EXPECT_EQ(BuildRequest(Input("http://cam/video.cgi"), "?r=1"),
            "GET /video.cgi?r=1 HTTP/1.0\r\n\r\n");
}

TEST(HttpRequest, RequestLineForms) {
  struct {
    TRequestInput In;
    const char* Expected;
  } cases[] = {
      // Without the simple-GET flag the request line holds the absolute address.
      {Input("http://cam/video.cgi", 0), "GET http://cam:80/video.cgi HTTP/1.0\r\n\r\n"},
      {Input("http://cam:8080/v", 0), "GET http://cam:8080/v HTTP/1.0\r\n\r\n"},
      {Input("https://cam/v", 0), "GET http://cam/v HTTP/1.0\r\n\r\n"},
      // An extended-GET proxy always gets the absolute form, and a Host line.
      {Input("http://cam/v", kSimpleGetFlag, 2),
       "GET http://cam:80/v HTTP/1.0\r\nHost: cam\r\n\r\n"},
      {Input("http://cam/v", kSimpleGetFlag, 3), "GET /v HTTP/1.0\r\nHost: cam\r\n\r\n"},
      {Input("http://cam:8080/v", kSimpleGetFlag, 3), "GET /v HTTP/1.0\r\nHost: cam:8080\r\n\r\n"},
      {Input("http://cam/v", kSimpleGetFlag, 1), "GET /v HTTP/1.0\r\nHost: cam\r\n\r\n"},
      {Input("http://[::1]:81/v", 0), "GET http://[::1]:81/v HTTP/1.0\r\n\r\n"},
      // No "://": no host; the whole text is the path.
      {Input("video.cgi", 0), "GET http://video.cgi HTTP/1.0\r\n\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildRequest(c.In, ""), c.Expected) << c.In.Address;
}

TEST(HttpRequest, HeadersEndWithOneLineBreak) {
  TRequestInput in = Input("http://cam/v");
  in.Headers = "X-A: 1\r\nX-B: 2";
  EXPECT_EQ(BuildRequest(in, ""), "GET /v HTTP/1.0\r\nX-A: 1\r\nX-B: 2\r\n\r\n");
  in.Headers = "X-A: 1\r\n";
  EXPECT_EQ(BuildRequest(in, ""), "GET /v HTTP/1.0\r\nX-A: 1\r\n\r\n");
}

TEST(HttpRequest, OwnHostLineSuppressesTheAutomaticOne) {
  TRequestInput in = Input("http://cam/v", kSimpleGetFlag, 3);
  in.Headers = "Host: other\r\n";
  EXPECT_EQ(BuildRequest(in, ""), "GET /v HTTP/1.0\r\nHost: other\r\n\r\n");
  in.Headers = "X-A: 1\r\nhost: other";
  EXPECT_EQ(BuildRequest(in, ""), "GET /v HTTP/1.0\r\nX-A: 1\r\nhost: other\r\n\r\n");
}

TEST(HttpRequest, CredentialsFromAddressWinOverAuth) {
  TRequestInput in = Input("http://cam/v");
  in.Auth = "admin:secret";
  EXPECT_EQ(BuildRequest(in, ""),
            "GET /v HTTP/1.0\r\nAuthorization: Basic YWRtaW46c2VjcmV0\r\n\r\n");
  in.Address = "http://joe:pw@cam/v";
  EXPECT_EQ(BuildRequest(in, ""), "GET /v HTTP/1.0\r\nAuthorization: Basic am9lOnB3\r\n\r\n");
  in.Address = "http://joe@cam/v";  // a user alone still replaces AUTH, with an empty password
  EXPECT_EQ(BuildRequest(in, ""), "GET /v HTTP/1.0\r\nAuthorization: Basic am9lOg==\r\n\r\n");
}

TEST(HttpRequest, ProxyHostBeforeCredentials) {
  TRequestInput in = Input("http://cam/v", 0, 2);
  in.Auth = "a:b";
  in.Headers = "X: y";
  EXPECT_EQ(BuildRequest(in, "?q"),
            "GET http://cam:80/v?q HTTP/1.0\r\nX: y\r\nHost: cam\r\nAuthorization: Basic "
            "YTpi\r\n\r\n");
}

TEST(HttpRequest, ConnectTunnel) {
  EXPECT_EQ(BuildConnectRequest("http://cam:8080/x"), "CONNECT cam:8080 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(BuildConnectRequest("http://cam/x"), "CONNECT cam:80 HTTP/1.0\r\n\r\n");
  EXPECT_EQ(BuildConnectRequest("ftp://cam/x"), "CONNECT cam:80 HTTP/1.0\r\n\r\n");
}

TEST(HttpRequest, ConnectTargetIsProxyOrCamera) {
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
