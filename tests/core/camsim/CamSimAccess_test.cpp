// Authentication and the proxy modes, with a camera behind a second camsim as its proxy.
#include <gtest/gtest.h>

#include "core/net/Base64.h"
#include "support/CamSim.h"
#include "support/LoopbackServer.h"
#include "support/StreamFetch.h"

namespace vexilon {
namespace {

constexpr int kAuto = 0, kVod = 2;
using std::chrono::milliseconds;

std::string Basic(const std::string& credentials) {
  return "Authorization: Basic " + EncodeBase64(credentials) + "\r\n";
}

TEST(CamSimAuth, BasicAuthenticationForEveryRequestOrOnePath) {
  TCamSim sim({"--size", "96x64", "--fps", "50", "--auth", "user:secret"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  const int open = SharedCamSim().Port();
  const struct {
    const char* Name;
    int Port;
    std::string Request;
    bool Allowed;
  } cases[] = {
      {"no credentials", sim.Port(), GetRequest("/push"), false},
      {"wrong password", sim.Port(), GetRequest("/push", Basic("user:wrong")), false},
      {"not basic", sim.Port(), GetRequest("/push", "Authorization: Digest x\r\n"), false},
      {"right", sim.Port(), GetRequest("/push", Basic("user:secret")), true},
      {"scheme in lower case", sim.Port(),
       GetRequest("/push", "Authorization: basic " + EncodeBase64("user:secret") + "\r\n"), true},
      {"path asks, none given", open, GetRequest("/push?auth=a:b"), false},
      {"path asks, given", open, GetRequest("/push?auth=a:b", Basic("a:b")), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TVideoFetch fetch = FetchVideo(c.Port, c.Request, kAuto, 2);
    if (c.Allowed) {
      EXPECT_EQ(fetch.Sink.Frames.size(), 2u);
    } else {
      EXPECT_EQ(fetch.Outcome.Result, TParseResult::Stop);
      EXPECT_TRUE(fetch.Sink.PageText.starts_with("HTTP/1.0 401")) << fetch.Sink.PageText;
      EXPECT_NE(fetch.Sink.PageText.find("WWW-Authenticate: Basic realm=\"camsim\"\r\n"),
                std::string::npos);
    }
  }
}

// The camera is the shared camsim with its 160×120 pictures; the proxy sends 96×64 pictures
// of its own: the size tells who answered.
class CamSimProxy : public TCamSimTest {
 protected:
  static void SetUpTestSuite() {
    Proxy = new TCamSim({"--size", "96x64", "--fps", "50", "--loop", "1", "--upstream",
                         std::to_string(SharedCamSim().Port())});
  }
  static void TearDownTestSuite() { delete Proxy; }
  void SetUp() override {
    TCamSimTest::SetUp();
    ASSERT_TRUE(Proxy->Started()) << Proxy->Error();
  }
  static std::string CameraAddress() { return "127.0.0.1:" + std::to_string(Port()); }

  static TCamSim* Proxy;
};
TCamSim* CamSimProxy::Proxy = nullptr;

TEST_F(CamSimProxy, ForwardsByAbsoluteAddressAndHostLine) {
  const std::string own = "127.0.0.1:" + std::to_string(Proxy->Port());
  const struct {
    const char* Name;
    std::string Request;
    int Width, Height;
  } cases[] = {
      {"absolute address", GetRequest("http://" + CameraAddress() + "/vod", "Host: 127.0.0.1\r\n"),
       160, 120},
      {"host line with port", GetRequest("/vod", "Host: " + CameraAddress() + "\r\n"), 160, 120},
      {"host line without port goes upstream", GetRequest("/vod", "Host: 127.0.0.1\r\n"), 160, 120},
      {"localhost", GetRequest("/vod", "Host: localhost:" + std::to_string(Port()) + "\r\n"), 160,
       120},
      {"absolute address of the proxy itself", GetRequest("http://" + own + "/vod"), 96, 64},
      {"no host at all", GetRequest("/vod"), 96, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TVideoFetch fetch = FetchVideo(Proxy->Port(), c.Request, kVod, 2);
    ASSERT_EQ(fetch.Sink.Frames.size(), 2u) << fetch.Sink.PageText;
    EXPECT_TRUE(IsJpegOfSize(fetch.Sink.Frames[1], c.Width, c.Height));
  }
}

TEST_F(CamSimProxy, AnswersOfTheCameraPassUnchanged) {
  // The camera's own refusal, not the proxy's.
  const TVideoFetch fetch =
      FetchVideo(Proxy->Port(), GetRequest("http://" + CameraAddress() + "/vod?auth=a:b"), kVod, 1);
  EXPECT_TRUE(fetch.Sink.PageText.starts_with("HTTP/1.0 401")) << fetch.Sink.PageText;

  // A tagged stream has no head to pass: the bytes are the camera's from the first.
  const TVideoFetch tagged =
      FetchVideo(Proxy->Port(), GetRequest("/tagged?close=2", "Host: 127.0.0.1\r\n"), kAuto, 5);
  EXPECT_TRUE(tagged.Outcome.Closed);
  ASSERT_EQ(tagged.Sink.Frames.size(), 2u);
  EXPECT_TRUE(IsJpegOfSize(tagged.Sink.Frames[1], 160, 120));

  // A client that ends its side after the request still gets the whole answer, in every
  // mode.
  for (const std::string& request :
       {GetRequest("http://" + CameraAddress() + "/still.jpg"),
        "CONNECT " + CameraAddress() + " HTTP/1.0\r\n\r\n" + GetRequest("/still.jpg")}) {
    TTestClient client(Proxy->Port());
    ASSERT_TRUE(client.Send(request));
    client.EndSending();
    const std::string answer = client.ReadAll(milliseconds(2000));
    EXPECT_TRUE(client.Closed());
    const std::size_t picture = answer.rfind("\r\n\r\n");
    ASSERT_NE(picture, std::string::npos) << answer;
    EXPECT_TRUE(IsJpegOfSize(answer.substr(picture + 4), 160, 120));
  }
}

TEST_F(CamSimProxy, ForwardsOnlyToThisMachine) {
  const std::string closed = "127.0.0.1:" + std::to_string(ClosedPort());
  const struct {
    const char* Name;
    std::string Request;
    const char* Status;
  } cases[] = {
      {"tunnel elsewhere", "CONNECT 10.1.2.3:80 HTTP/1.0\r\n\r\n", "403"},
      {"absolute address elsewhere", GetRequest("http://example.com:8080/vod"), "403"},
      {"host line elsewhere", GetRequest("/vod", "Host: 192.168.1.1:81\r\n"), "403"},
      {"tunnel to nothing", "CONNECT " + closed + " HTTP/1.0\r\n\r\n", "502"},
      {"forward to nothing", GetRequest("http://" + closed + "/vod"), "502"},
      {"bad port", GetRequest("/vod", "Host: 127.0.0.1:99999\r\n"), "400"},
      {"not http", GetRequest("ftp://127.0.0.1:21/x"), "400"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTestClient client(Proxy->Port());
    ASSERT_TRUE(client.Send(c.Request));
    const std::string answer = client.ReadAll(milliseconds(2000));
    EXPECT_TRUE(answer.starts_with(std::string("HTTP/1.0 ") + c.Status)) << answer;
    EXPECT_TRUE(client.Closed());
  }
}

}  // namespace
}  // namespace vexilon
