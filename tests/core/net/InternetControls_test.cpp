#include "core/net/InternetControls.h"

#include <gtest/gtest.h>

#include <atomic>

#include "core/net/HttpFetcher.h"
#include "support/LoopbackServer.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// Answers every request with response after recording its head (as a proxy reads it).
TLoopbackServer::THandler Answer(std::string response, bool proxy = false) {
  return [response, proxy](TServerConnection& c, int) {
    c.Record(proxy ? c.ReadProxiedHead() : c.ReadHead());
    c.Send(response);
  };
}

// Sends the start of an answer, then neither more nor a close.
TLoopbackServer::THandler Stall(std::string start) {
  return [start](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(start);
    c.Hold();
  };
}

std::string At(const TLoopbackServer& server) {
  return "127.0.0.1:" + std::to_string(server.Port());
}

// What a GetFile throws, or "" when it returns.
std::string FailureOf(THTTPControl& http, std::string& body) {
  std::string head;
  try {
    http.GetFile("/p", "", head, body);
  } catch (const EXSSocketError& error) {
    return error.what();
  }
  return "";
}

struct HTTPControl : testing::Test {
  HTTPControl() {
    http.TimeOut = 5;
    http.OnStatus = [this](const std::string& text) { statuses.push_back(text); };
  }
  THTTPControl http;
  std::vector<std::string> statuses;
};

TEST_F(HTTPControl, FetchesAFileDirectlyWithCredentialsAndAFailureStatusGivesNoHeadOrBody) {
  TLoopbackServer server([](TServerConnection& c, int n) {
    c.Record(c.ReadHead());
    c.Send(n == 0 ? "HTTP/1.0 200 OK\r\nX-A: 1\r\n\r\npage body"
                  : "HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\n\r\nmoved body");
  });
  http.Host = At(server);
  http.Credentials = "user:pass";
  int pumps = 0;
  http.Pump = [&] { ++pumps; };
  std::string head, body;
  EXPECT_TRUE(http.GetFile("/dir/page.txt", "X-Extra: 1\r\n", head, body));
  EXPECT_EQ(head, "X-A: 1\r\n");
  EXPECT_EQ(body, "page body");
  EXPECT_EQ(http.LastStatus(), "HTTP/1.0 200 OK\r\n");
  ASSERT_EQ(server.Recorded().size(), 1u);
  EXPECT_EQ(server.Recorded()[0],
            "GET /dir/page.txt HTTP/1.0\r\nX-Extra: 1\r\nHost: 127.0.0.1\r\n"
            "Authorization: Basic dXNlcjpwYXNz\r\n\r\n");
  EXPECT_GT(pumps, 0);
  ASSERT_GE(statuses.size(), 3u);
  EXPECT_EQ(statuses[0], "Connecting to: " + At(server));
  EXPECT_EQ(statuses[1], "Retrieving File /dir/page.txt");
  EXPECT_EQ(statuses[2], "HTTP/1.0 200 OK");
  http.Disconnect();
  EXPECT_EQ(http.Credentials, "");

  std::string failedHead, failedBody;
  EXPECT_FALSE(http.GetFile("/p", "", failedHead, failedBody));
  EXPECT_EQ(failedHead, "");
  EXPECT_EQ(failedBody, "");
  EXPECT_EQ(http.LastHead(), "Location: /elsewhere\r\n");
}

TEST_F(HTTPControl, ProxyModes) {
  struct {
    int Mode;
    const char* Expected;  // what the proxy sees, CONNECT included
  } cases[] = {
      {0, "CONNECT cam.example:80 HTTP/1.0\r\n\r\n|GET /p HTTP/1.0\r\nHost: cam.example\r\n\r\n"},
      {1, "GET http://cam.example/p HTTP/1.0\r\nHost: cam.example\r\n\r\n"},
      {2, "GET /p HTTP/1.0\r\nHost: cam.example\r\n\r\n"},
  };
  for (const auto& c : cases) {
    TLoopbackServer proxy(Answer("HTTP/1.0 200 OK\r\n\r\nthrough", true));
    THTTPControl control;
    control.Host = "cam.example";
    control.Proxy = At(proxy);
    control.ProxyMode = c.Mode;
    std::string head, body;
    EXPECT_TRUE(control.GetFile("/p", "", head, body)) << c.Mode;
    EXPECT_EQ(body, "through") << c.Mode;
    ASSERT_EQ(proxy.Recorded().size(), 1u);
    EXPECT_EQ(proxy.Recorded()[0], c.Expected);
  }
}

TEST_F(HTTPControl, StatusRules) {
  struct {
    const char* Line;
    bool Socket;
    bool Http;
  } cases[] = {
      {"HTTP/1.0 200 OK\r\n", false, true},  {"HTTP/1.1 101 Switching\r\n", false, true},
      {"HTTP/1.0 404 No\r\n", false, false}, {"HTTP/1.0\r\n", false, false},
      {"220 ready\r\n", true, false},        {"1x", false, false},
  };
  for (const auto& c : cases) {
    TLoopbackServer server([&c](TServerConnection& conn, int) {
      conn.ReadHead();
      conn.Send(c.Line);
    });
    THTTPControl control;
    control.ConnectTo(At(server));
    control.SendCommand("X\r\n\r\n", false);
    EXPECT_EQ(control.StatusOK(), c.Http) << c.Line;
    EXPECT_EQ(control.TSocketControl::StatusOK(), c.Socket) << c.Line;
  }
}

TEST_F(HTTPControl, NoServerOrARefusedTunnelIsNotConnectedAndAStallTimesOut) {
  http.Host = "127.0.0.1:1";  // nothing listens on port 1
  std::string body;
  EXPECT_EQ(FailureOf(http, body), "Not Connected");

  TLoopbackServer proxy(Stall("HTTP/1.0 403 Forbidden\r\n\r\n"));
  http.Host = "cam.example:8080";
  http.Proxy = At(proxy);
  EXPECT_EQ(FailureOf(http, body), "Not Connected");
  EXPECT_FALSE(http.Connected());
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "CONNECT cam.example:8080 HTTP/1.0\r\n"),
            statuses.end());

  TLoopbackServer stalled(Stall("HTTP/1.0 200 OK\r\n\r\npartial"));
  http.TimeOut = 1;
  http.Proxy = "";
  http.Host = At(stalled);
  const auto start = TClock::now();
  EXPECT_EQ(FailureOf(http, body), "Timed Out");
  EXPECT_EQ(body, "partial");
  EXPECT_LT(TClock::now() - start, 3s);
}

TEST_F(HTTPControl, AFloodingServerIsCutOff) {
  TLoopbackServer flood([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send("HTTP/1.0 200 OK\r\n\r\n");
    while (c.Send(std::string(65536, 'x'))) {
    }
  });
  http.MaxResponse = 1 << 20;
  http.Host = At(flood);
  std::string body;
  EXPECT_EQ(FailureOf(http, body), "The server sent more than 1048576 bytes");
  EXPECT_LE(body.size(), size_t(1) << 20);
  EXPECT_FALSE(http.Connected());
}

TEST_F(HTTPControl, TerminatingEndsAWaitAtOnce) {
  TLoopbackServer stalled([](TServerConnection& c, int) { c.Hold(); });
  http.Host = At(stalled);
  const auto start = TClock::now();
  http.Terminating = [&] { return TClock::now() - start > 100ms; };
  ASSERT_TRUE(http.SocketControlConnect());
  EXPECT_EQ(http.ReadLine(), "");
  EXPECT_LT(TClock::now() - start, 1s);
}

TEST(HttpSuffixFetcher, FetchesThroughTheProxySettingAndGivesUpInTime) {
  TLoopbackServer proxy(Answer("HTTP/1.0 200 OK\r\n\r\nsid=12345;"));
  TNetSettings settings;
  settings.Proxy = At(proxy);
  settings.ProxyType = 2;
  THttpSuffixFetcher fetcher([&] { return settings; });
  EXPECT_EQ(fetcher.Fetch("http://u:p@cam.example:81/sid.cgi?x=1"), "sid=12345;");
  ASSERT_EQ(proxy.Recorded().size(), 1u);
  EXPECT_EQ(proxy.Recorded()[0],
            "GET http://cam.example:81/sid.cgi?x=1 HTTP/1.0\r\nHost: cam.example\r\n"
            "Authorization: Basic dTpw\r\n\r\n");
  EXPECT_EQ(fetcher.Fetch("not a url"), std::nullopt);

  TLoopbackServer stalled(Stall("HTTP/1.0 200 OK\r\n\r\nsid=1"));
  THttpSuffixFetcher slow([] { return TNetSettings{}; });
  slow.SetTimeLimit(300ms);
  const auto start = TClock::now();
  EXPECT_EQ(slow.Fetch(stalled.Address("/sid")), std::nullopt);
  EXPECT_LT(TClock::now() - start, 2s);

  TLoopbackServer missing(Answer("HTTP/1.0 404 Not Found\r\n\r\n"));
  EXPECT_EQ(slow.Fetch(missing.Address("/sid")), std::nullopt);
}

TEST(HttpSuffixFetcher, ADigestChallengeIsAnsweredAtOnceAndItsNonceKeptForTheNextFetch) {
  // The first request is refused with a challenge; later ones pass unless told to refuse.
  std::atomic<bool> refuse{false};
  TLoopbackServer server([&](TServerConnection& c, int n) {
    c.Record(c.ReadHead());
    c.Send(n == 0 || refuse ? "HTTP/1.0 401 No\r\nWWW-Authenticate: Digest realm=\"r\", "
                              "nonce=\"n" +
                                  std::to_string(n) + "\", qop=auth\r\n\r\n"
                            : "HTTP/1.0 200 OK\r\n\r\nsid=1;");
  });
  THttpSuffixFetcher fetcher([] { return TNetSettings{}; });
  const std::string url = "http://u:p@127.0.0.1:" + std::to_string(server.Port()) + "/sid";
  EXPECT_EQ(fetcher.Fetch(url), "sid=1;");
  EXPECT_EQ(fetcher.Fetch(url), "sid=1;");
  refuse = true;  // a wrong password: one request a fetch, each with the newest nonce
  EXPECT_EQ(fetcher.Fetch(url), std::nullopt);
  EXPECT_EQ(fetcher.Fetch(url), std::nullopt);
  const auto heads = server.Recorded();
  ASSERT_EQ(heads.size(), 5u);
  EXPECT_NE(heads[0].find("\r\nAuthorization: Basic dTpw\r\n"), std::string::npos);
  for (const auto& [i, expected] :
       {std::pair{1, "nonce=\"n0\", uri=\"/sid\", qop=auth, nc=00000001"},
        {2, "nonce=\"n0\", uri=\"/sid\", qop=auth, nc=00000002"},
        {3, "nonce=\"n0\", uri=\"/sid\", qop=auth, nc=00000003"},
        {4, "nonce=\"n3\", uri=\"/sid\", qop=auth, nc=00000001"}}) {
    EXPECT_NE(heads[i].find(expected), std::string::npos) << i << ": " << heads[i];
  }
}

}  // namespace
}  // namespace vexilon
