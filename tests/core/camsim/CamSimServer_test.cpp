// camsim as a server: bad requests, vanishing clients, its connection limit and its stop.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <memory>
#include <thread>
#include <vector>

#include "support/CamSim.h"
#include "support/StreamFetch.h"

namespace vexilon {
namespace {

constexpr int kAuto = 0;
using std::chrono::milliseconds;

std::string Answer(int port, const std::string& request) {
  TTestClient client(port);
  client.Send(request);
  return client.ReadAll(milliseconds(3000));
}

TEST(CamSimServer, RefusesRequestsItCannotRead) {
  TCamSim sim({"--size", "64x48"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  const struct {
    const char* Name;
    std::string Request;
    const char* Status;
  } cases[] = {
      {"not a request line", "hello\r\n\r\n", "400"},
      {"relative target", "GET push HTTP/1.0\r\n\r\n", "400"},
      {"header without name", "GET /push HTTP/1.0\r\n: x\r\n\r\n", "400"},
      {"endless head", "GET /push HTTP/1.0\r\n" + std::string(20000, 'x'), "431"},
      {"other method", "POST /push HTTP/1.0\r\n\r\n", "405"},
      {"bad size", GetRequest("/push?size=5x5"), "400"},
      {"bad status", GetRequest("/push?status=abc"), "400"},
      {"head ended by bare line feeds", "GET /still.jpg HTTP/1.0\n\n", "200"},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(Answer(sim.Port(), c.Request).starts_with(std::string("HTTP/1.0 ") + c.Status))
        << c.Name;
  }
}

TEST(CamSimServer, ClientsThatVanishDoNotHurtOthers) {
  TCamSim sim({"--size", "320x240", "--fps", "50", "--max-connections", "8"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  for (int round = 0; round < 3; ++round) {
    std::vector<std::unique_ptr<TTestClient>> clients;
    for (int i = 0; i < 6; ++i) {
      clients.push_back(std::make_unique<TTestClient>(sim.Port()));
      // Some leave in the middle of their request, some after a little of the stream.
      clients.back()->Send(i % 2 ? "GET /push HTTP/1.0\r\n" : GetRequest("/push?nolength"));
    }
    for (auto& client : clients) client->Receive(milliseconds(20));
    clients.clear();
  }
  // Every thread of the vanished clients has ended: all eight connections are free again.
  for (int i = 0; i < 8; ++i) {
    const TVideoFetch fetch = FetchVideo(sim.Port(), GetRequest("/push"), kAuto, 2);
    ASSERT_EQ(fetch.Sink.Frames.size(), 2u) << i;
  }
}

TEST(CamSimServer, ConnectionsBeyondTheLimitGetBusy) {
  TCamSim sim({"--size", "64x48", "--max-connections", "2"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  TTestClient first(sim.Port()), second(sim.Port());
  ASSERT_TRUE(first.Send(GetRequest("/push")));
  ASSERT_TRUE(second.Send(GetRequest("/push")));
  EXPECT_FALSE(first.Receive(milliseconds(2000)).empty());
  EXPECT_FALSE(second.Receive(milliseconds(2000)).empty());
  EXPECT_TRUE(Answer(sim.Port(), GetRequest("/push")).starts_with("HTTP/1.0 503"));
  first.Close();
  second.Close();
  // Freed connections are taken again (the threads notice the close at their next send).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  std::string answer;
  while (!answer.starts_with("HTTP/1.0 200") && std::chrono::steady_clock::now() < deadline) {
    TTestClient again(sim.Port());
    again.Send(GetRequest("/push"));
    answer = again.Receive(milliseconds(500));
  }
  EXPECT_TRUE(answer.starts_with("HTTP/1.0 200")) << answer;
}

TEST(CamSimServer, StopsPromptlyWithStreamsOpen) {
  TCamSim sim({"--size", "64x48", "--fps", "10"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  TTestClient streaming(sim.Port()), stalled(sim.Port()), halfRequest(sim.Port()),
      notReading(sim.Port());
  ASSERT_TRUE(streaming.Send(GetRequest("/push")));
  ASSERT_TRUE(stalled.Send(GetRequest("/push?stall=1")));
  ASSERT_TRUE(halfRequest.Send("GET /push HTTP/1.0\r\n"));
  // A reader that never reads: the server's sends block once the socket buffers are full.
  ASSERT_TRUE(notReading.Send(GetRequest("/push?garbage&fps=100")));
  EXPECT_FALSE(streaming.Receive(milliseconds(2000)).empty());
  EXPECT_FALSE(stalled.Receive(milliseconds(2000)).empty());
  std::this_thread::sleep_for(milliseconds(200));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sim.Stop(std::chrono::seconds(5)), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  streaming.ReadAll(milliseconds(2000));
  EXPECT_TRUE(streaming.Closed());
}

TEST(CamSimServer, UsageAndBadOptions) {
  TCamSim bad({"--size", "huge"});
  EXPECT_FALSE(bad.Started());
  EXPECT_EQ(bad.Stop(std::chrono::seconds(2)), 2);
}

}  // namespace
}  // namespace vexilon
