#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "core/app/DebugLog.h"
#include "core/app/ProgramPath.h"
#include "core/net/VideoThread.h"
#include "support/LoopbackServer.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"
#include "support/WaitingSink.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

const std::string kMultipartHead =
    "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=frame\r\n\r\n";

std::string Picture(size_t size, char fill = 'p') {
  return std::string(size, fill);
}

std::string Part(const std::string& picture) {
  return "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " +
         std::to_string(picture.size()) + "\r\n\r\n" + picture + "\r\n";
}

std::string StillResponse(const std::string& picture) {
  return "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n" + picture;
}

struct ConnectThread : testing::Test {
  // No CPU throttle: on a clock that stands still it would hold every chunk.
  static TNetSettings Unthrottled() {
    TNetSettings settings;
    settings.CpuUsage = 100;
    return settings;
  }
  TConnectConfig Config(TNetSettings settings = Unthrottled()) {
    TConnectConfig config;
    config.Timeout = 2s;
    config.RetryDelay = 200ms;
    config.Settings = [settings] { return settings; };
    config.SuffixItems = &items;
    config.Clock = clock;
    return config;
  }
  TVideoConnect Camera(const std::string& address, int flags = kSimpleGetFlag, int interval = 0) {
    TVideoConnect camera;
    camera.Web = address;
    camera.Flags = flags;
    camera.Interval = interval;
    return camera;
  }
  std::unique_ptr<TVideoThread> Start(const TVideoConnect& camera, TConnectConfig config) {
    return std::make_unique<TVideoThread>(camera, sink, std::move(config));
  }
  // Moves the thread's clock 10 ms at a time until done holds; answers how far it moved. The
  // thread cannot act early on this clock, so the answer is never less than the wait it kept.
  std::chrono::milliseconds AdvanceUntil(const std::function<bool()>& done) {
    std::chrono::milliseconds moved{0};
    while (!done() && moved < 60s) {
      clock->Advance(10ms);
      moved += 10ms;
      std::this_thread::sleep_for(1ms);
    }
    return moved;
  }
  std::function<bool()> Connections(const TLoopbackServer& server, int count) {
    return [&server, count] { return server.Connections() >= count; };
  }

  TSuffixItemList items;
  std::shared_ptr<TManualClock> clock = std::make_shared<TManualClock>();
  std::shared_ptr<TWaitingSink> sink = std::make_shared<TWaitingSink>();
};

TEST_F(ConnectThread, StillPictureCameraIsRequestedAgainAfterItsInterval) {
  TLoopbackServer server([](TServerConnection& c, int i) {
    c.Record(c.ReadHead());
    c.Send(StillResponse(Picture(200 + i)));
  });
  auto thread = Start(Camera(server.Address("/snap.jpg"), kSimpleGetFlag, 150), Config());
  ASSERT_TRUE(sink->WaitFrames(1));
  const auto interval = AdvanceUntil(Connections(server, 2));
  EXPECT_GE(interval, 150ms);
  EXPECT_LT(interval, 1s);  // loose: the machine may be busy
  ASSERT_TRUE(sink->WaitFrames(2));
  AdvanceUntil(Connections(server, 3));
  ASSERT_TRUE(sink->WaitFrames(3));
  thread.reset();
  // Every connection says it connects, and its picture takes the words away again.
  const auto states = sink->Seen().States;
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states[0], "Connecting to 127.0.0.1:" + std::to_string(server.Port()) + "\u2026");
  EXPECT_EQ(states[1], "");
  const auto frames = sink->Seen().Frames;
  EXPECT_EQ(frames[0], Picture(200));
  EXPECT_EQ(frames[1], Picture(201));
  EXPECT_EQ(server.Recorded()[0], "GET /snap.jpg HTTP/1.0\r\n\r\n");
  EXPECT_EQ(sink->Seen().Indicators.substr(0, 6), "cCDcCD");
}

TEST_F(ConnectThread, AFailureStatusIsRequestedAgainAtOnce) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send("HTTP/1.0 404 Not Found\r\n\r\n");
    c.Hold();  // the thread itself must drop the connection
  });
  // The thread's clock stands still: every try comes without waiting for the interval.
  auto thread = Start(Camera(server.Address("/v"), kSimpleGetFlag, 10000), Config());
  EXPECT_TRUE(server.WaitConnections(3, 2s));
  EXPECT_TRUE(sink->Seen().PageText.find("404") != std::string::npos);
}

TEST_F(ConnectThread, TheCpuThrottleSpacesTheChunksOfAStream) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(kMultipartHead + Part(Picture(150)));
    std::this_thread::sleep_for(20ms);
    c.Send(Part(Picture(160)) + "--frame\r\n");
    c.Hold();
  });
  TNetSettings settings = Unthrottled();
  settings.CpuUsage = 60;  // 40 ms between chunks
  auto thread = Start(Camera(server.Address("/v")), Config(settings));
  ASSERT_TRUE(sink->WaitFrames(1));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(sink->Seen().Frames.size(), 1u);
  EXPECT_GE(AdvanceUntil([this] { return sink->Seen().Frames.size() >= 2; }), 40ms);
}

TEST_F(ConnectThread, AStalledServerIsLeftAfterTheTimeoutAndItsRestFlushed) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(kMultipartHead + Part(Picture(150)) + "--frame\r\n\r\n" + Picture(300, 'q'));
    c.Hold();
  });
  TConnectConfig config = Config();
  config.Timeout = 300ms;
  auto thread = Start(Camera(server.Address("/v"), kSimpleGetFlag, 100), config);
  ASSERT_TRUE(sink->WaitFrames(1));
  EXPECT_GE(AdvanceUntil([this] { return sink->Seen().Frames.size() >= 2; }), 300ms);
  EXPECT_GE(AdvanceUntil(Connections(server, 2)), 100ms);
  const auto frames = sink->Seen().Frames;
  EXPECT_EQ(frames[0], Picture(150));
  EXPECT_EQ(frames[1], Picture(300, 'q'));  // the unfinished part, at the stall
}

TEST_F(ConnectThread, AFailedOpenIsShownAndRetriedAfterTheRetryDelay) {
  const int port = ClosedPort();
  std::atomic<int> lookups{0};
  TConnectConfig config = Config();
  config.Resolver = [&lookups](const std::string& host, int p) {
    ++lookups;
    return ResolveHost(host == "camera.test" ? "127.0.0.1" : host, p);
  };
  auto thread = Start(Camera("http://camera.test:" + std::to_string(port) + "/v"), config);
  EXPECT_GE(AdvanceUntil([&lookups] { return lookups >= 3; }), 400ms);  // two retry delays
  thread.reset();
  ASSERT_GE(lookups, 3);
  const auto shown = sink->Seen().Shown;
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0], "Socket error: Connection refused (111), on API 'connect'");
  const auto states = sink->Seen().States;
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states[0], "Connecting to camera.test:" + std::to_string(port) + "\u2026");
  EXPECT_EQ(states[1], "Connection refused");
}

TEST_F(ConnectThread, AnAddressWithoutHostNeverConnects) {
  auto thread = Start(Camera("video.cgi"), Config());
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(sink->Seen().Indicators, "");
  EXPECT_TRUE(thread->IsStalled());
  EXPECT_FALSE(thread->IsConnected());
}

TEST_F(ConnectThread, ProxyTypes) {
  struct {
    int Type;
    const char* Expected;
  } cases[] = {
      {1,
       "CONNECT cam.example:8080 HTTP/1.0\r\n\r\n|"
       "GET /video HTTP/1.0\r\nHost: cam.example:8080\r\nAuthorization: Basic dTpw\r\n\r\n"},
      {2,
       "GET http://cam.example:8080/video HTTP/1.0\r\nHost: cam.example:8080\r\n"
       "Authorization: Basic dTpw\r\n\r\n"},
      {3, "GET /video HTTP/1.0\r\nHost: cam.example:8080\r\nAuthorization: Basic dTpw\r\n\r\n"},
  };
  for (const auto& c : cases) {
    TLoopbackServer proxy([](TServerConnection& conn, int) {
      conn.Record(conn.ReadProxiedHead());
      conn.Send(kMultipartHead + Part(Picture(130)) + Part(Picture(140)));
      conn.Hold();
    });
    sink = std::make_shared<TWaitingSink>();
    TNetSettings settings = Unthrottled();
    settings.Proxy = "127.0.0.1:" + std::to_string(proxy.Port());
    settings.ProxyType = c.Type;
    TVideoConnect camera = Camera("http://cam.example:8080/video");
    camera.Auth = "u:p";
    auto thread = Start(camera, Config(settings));
    ASSERT_TRUE(sink->WaitFrames(2)) << c.Type;
    thread.reset();
    ASSERT_EQ(proxy.Recorded().size(), 1u);
    EXPECT_EQ(proxy.Recorded()[0], c.Expected);
    EXPECT_EQ(sink->Seen().Frames[1], Picture(140));
  }
}

TEST_F(ConnectThread, StopReturnsWithinASecondWhileConnecting) {
  TBlackholePort blackhole;
  auto thread =
      Start(Camera("http://127.0.0.1:" + std::to_string(blackhole.Port()) + "/v"), Config());
  ASSERT_TRUE(sink->WaitUntil([](const TRecordingSink& s) { return s.Indicators == "c"; }));
  std::this_thread::sleep_for(100ms);
  const auto start = TClock::now();
  thread.reset();
  EXPECT_LT(TClock::now() - start, 1s);
}

TEST_F(ConnectThread, StopReturnsWithinASecondWhileReadingAStalledServer) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(kMultipartHead);
    c.Hold();
  });
  TConnectConfig config = Config();
  config.Timeout = 60s;
  auto thread = Start(Camera(server.Address("/v")), config);
  ASSERT_TRUE(sink->WaitUntil([](const TRecordingSink& s) { return !s.PageText.empty(); }));
  const auto start = TClock::now();
  EXPECT_TRUE(thread->Stop());
  EXPECT_LT(TClock::now() - start, 1s);
  EXPECT_TRUE(thread->IsFinished());
}

TEST_F(ConnectThread, StopLeavesAThreadStuckInALookUpBehindAndItsStateOutlivesIt) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> entered{false};
  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> watch = token;
  TConnectConfig config = Config();
  config.Resolver = [token, released, &entered](const std::string&, int) {
    entered = true;
    released.wait();
    return TResolved{};
  };
  token.reset();
  auto thread = Start(Camera("http://camera.test/v"), std::move(config));
  const auto deadline = TClock::now() + 2s;
  while (!entered && TClock::now() < deadline) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(entered);
  const size_t callsBefore = sink->Calls();
  const auto start = TClock::now();
  EXPECT_FALSE(thread->Stop());  // left behind, which the window's log says
  thread.reset();
  EXPECT_LT(TClock::now() - start, 1s);
  EXPECT_FALSE(watch.expired());  // the stuck thread still owns its state

  release.set_value();
  const auto end = TClock::now() + 2s;
  while (!watch.expired() && TClock::now() < end) std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(sink->Calls(), callsBefore);  // nothing reached the window after Stop
}

TEST_F(ConnectThread, PauseClosesAndResumeReconnects) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(kMultipartHead + Part(Picture(200)));
    if (c.WaitPeerClose(5s)) c.Record("closed");
  });
  // The real clock: a resume must end the paused thread's real sleep at once.
  TConnectConfig config = Config();
  config.Clock = nullptr;
  auto thread = Start(Camera(server.Address("/v")), config);
  ASSERT_TRUE(sink->WaitFrames(1));
  thread->PauseStream();
  EXPECT_TRUE(thread->IsPaused());
  const auto closedBy = TClock::now() + 2s;
  while (server.Recorded().empty() && TClock::now() < closedBy) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(server.Recorded().size(), 1u);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(server.Connections(), 1);
  EXPECT_FALSE(thread->IsStalled());
  thread->ResumeStream();
  // At once, not when the paused thread's sleep (up to a second) would have ended.
  EXPECT_TRUE(server.WaitConnections(2, 500ms));
  EXPECT_TRUE(sink->WaitFrames(2));
}

TEST_F(ConnectThread, RequestRestartReconnectsAfterTheInterval) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(kMultipartHead + Part(Picture(200)));
    c.Hold();
  });
  auto thread = Start(Camera(server.Address("/v"), kSimpleGetFlag, 200), Config());
  ASSERT_TRUE(sink->WaitFrames(1));
  EXPECT_FALSE(thread->IsStalled());
  thread->RequestRestart();
  const auto restart = AdvanceUntil(Connections(server, 2));
  EXPECT_GE(restart, 200ms);
  EXPECT_LT(restart, 1s);  // at the interval, not when the 2 s stall limit would end it
}

TEST_F(ConnectThread, ABadServerIsDroppedWithTheReasonAndRebuiltOnSchedule) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(kMultipartHead + "--frame\r\nContent-Length: -5\r\n\r\n");
    c.Hold();
  });
  auto thread = Start(Camera(server.Address("/v"), kSimpleGetFlag, 150), Config());
  EXPECT_GE(AdvanceUntil(Connections(server, 2)), 150ms);
  const auto lines = sink->Seen().Lines;
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "Disconnected: the server announced a part of negative length");
}

TEST_F(ConnectThread, AResetConnectionIsSaidWithItsErrorCodeAndRebuilt) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(kMultipartHead + Part(Picture(150)));
    c.ResetOnEnd();
  });
  auto thread = Start(Camera(server.Address("/v"), kSimpleGetFlag, 150), Config());
  EXPECT_GE(AdvanceUntil(Connections(server, 2)), 150ms);
  const auto lines = sink->Seen().Lines;
  EXPECT_NE(std::find(lines.begin(), lines.end(), "ERROR CODE: 104"), lines.end());
}

TEST_F(ConnectThread, CountingSuffixItemsGoOneTwoThreeOne) {
  TLoopbackServer server([](TServerConnection& c, int) {
    const std::string head = c.ReadHead();
    c.Record(head.substr(0, head.find(" HTTP")));
    c.Send(StillResponse(Picture(200)));
  });
  TVideoConnect camera = Camera(server.Address("/v"));
  camera.Suffix = "?n=*AI 1 3,*&x=**";
  // Each picture ends at the close and no time passes: a still camera is asked again at once,
  // never held back as a failing one.
  auto thread = Start(camera, Config());
  ASSERT_TRUE(server.WaitConnections(4, 3s));
  ASSERT_TRUE(sink->WaitFrames(4));
  EXPECT_TRUE(sink->Seen().Lines.empty());
  thread.reset();
  const auto requests = server.Recorded();
  ASSERT_GE(requests.size(), 4u);
  EXPECT_EQ(std::vector(requests.begin(), requests.begin() + 4),
            (std::vector<std::string>{"GET /v?n=1&x=*", "GET /v?n=2&x=*", "GET /v?n=3&x=*",
                                      "GET /v?n=1&x=*"}));
}

struct TCollectingOutput : TCaptureOutput {
  void Write(const char* data, size_t size) override {
    std::lock_guard lock(Lock);
    Bytes.append(data, size);
  }
  std::mutex Lock;
  std::string Bytes;
};

TEST_F(ConnectThread, RawBytesGoToTheCaptureOutputAndTheDebugFiles) {
  TTempDir folder;
  const std::string oldFolder = ProgramFolder();
  SetProgramFolder(folder.Path());
  SetDebugEnabledForTest(true);
  const std::string response = kMultipartHead + Part(Picture(5000)) + Part(Picture(300));
  TLoopbackServer server([&response](TServerConnection& c, int) {
    c.ReadHead();
    c.Send(response);
    c.Hold();
  });
  auto output = std::make_shared<TCollectingOutput>();
  TConnectConfig config = Config();
  config.CaptureOutput = output;
  auto thread = Start(Camera(server.Address("/v")), config);
  ASSERT_TRUE(sink->WaitFrames(2));
  thread.reset();
  SetDebugEnabledForTest(std::nullopt);
  SetProgramFolder(oldFolder);

  EXPECT_EQ(response, output->Bytes);
  std::ifstream dump(folder.File("CAPTURE.BIN"), std::ios::binary);
  std::stringstream dumped;
  dumped << dump.rdbuf();
  EXPECT_EQ(dumped.str(), response);
  std::ifstream log(folder.File("VEXILON.LOG"), std::ios::binary);
  std::stringstream logged;
  logged << log.rdbuf();
  EXPECT_NE(logged.str().find(" ClientConnect\r\n"), std::string::npos);
}

TEST(DebugLog, LineLayout) {
  const std::string line = LogLine("ClientConnect", 0, 123456);
  // Local time of the epoch, whatever the zone: the layout is what counts.
  ASSERT_EQ(line.size(), std::string("1970/01/01 00:00:00 Tick=123456 ClientConnect").size());
  EXPECT_EQ(line.substr(4, 1), "/");
  EXPECT_EQ(line.substr(10, 1), " ");
  EXPECT_EQ(line.substr(19), " Tick=123456 ClientConnect");
}

}  // namespace
}  // namespace vexilon
