#include "core/rtsp/RtspThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "support/LoopbackServer.h"
#include "support/ManualClock.h"
#include "support/RtspServer.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

class TPictures : public TPictureSink {
 public:
  void DrawSize(int& width, int& height) override { width = 160, height = 160; }
  bool WantsPictures() override { return Wanted; }
  void Picture(const TRtspPicture& picture, const TRtspPacket& packet) override {
    Change([&] {
      Sizes.push_back(std::to_string(picture.Width) + "x" + std::to_string(picture.Height));
      Keys.push_back(packet.Key);
    });
  }
  void Sound(const TRtspSound& sound) override {
    Change([&] {
      SoundFormat = std::to_string(sound.Rate) + "/" + std::to_string(sound.Channels);
      for (const std::int16_t sample : sound.Samples) Loudest = std::max(Loudest, int(sample));
      SoundSamples += sound.Samples.size();
    });
  }
  void State(const std::string& reason, TClock::time_point nextTry) override {
    Change([&] {
      States.push_back(reason);
      NextTries.push_back(nextTry);
    });
  }
  bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(Lock);
    return Changed.wait_for(lock, timeout, ready);
  }
  template <class F>
  void Change(F change) {
    std::lock_guard lock(Lock);
    change();
    Changed.notify_all();
  }
  std::mutex Lock;
  std::condition_variable Changed;
  std::atomic<bool> Wanted{true};
  std::vector<std::string> Sizes, States;
  std::vector<bool> Keys;
  std::vector<TClock::time_point> NextTries;
  std::string SoundFormat;
  std::size_t SoundSamples = 0;
  int Loudest = 0;
};

TEST(RtspThread, PicturesAndSoundComeAndPauseRestartAndStopAreHeard) {
  TRtspServer server({"--size", "320x240", "--audio"});
  ASSERT_TRUE(server.Started()) << server.Error();
  auto sink = std::make_shared<TPictures>();
  TRtspOptions source{server.Url(), true, 10s};
  source.Sound = true;
  TRtspThread thread({source, 1s, nullptr}, sink);
  ASSERT_TRUE(sink->WaitUntil([&] { return sink->Sizes.size() >= 5 && sink->SoundSamples > 0; }));
  // Read under the sink's lock (Change), as the thread goes on writing.
  sink->Change([&] {
    EXPECT_EQ(sink->Sizes[0], "160x120");
    EXPECT_EQ(sink->States[0], "Connecting to " + server.Url() + "\u2026");
    EXPECT_EQ(sink->States[1], "");          // pictures
    EXPECT_EQ(sink->SoundFormat, "8000/1");  // G.711 as 16-bit samples
    EXPECT_GT(sink->Loudest, 1000);          // the server's sine, not silence
  });

  // A restart connects again at once, without a failure to tell.
  thread.RequestRestart();
  ASSERT_TRUE(sink->WaitUntil([&] { return sink->States.size() >= 4; }));
  sink->Change([&] {
    EXPECT_EQ(sink->States[2], "Connecting to " + server.Url() + "\u2026");
    EXPECT_EQ(sink->States[3], "");
  });

  thread.PauseStream();
  EXPECT_TRUE(thread.IsPaused());
  std::this_thread::sleep_for(300ms);
  size_t paused = 0;
  sink->Change([&] { paused = sink->Sizes.size(); });
  std::this_thread::sleep_for(300ms);
  sink->Change([&] { EXPECT_EQ(sink->Sizes.size(), paused); });
  thread.ResumeStream();
  EXPECT_TRUE(sink->WaitUntil([&] { return sink->Sizes.size() >= paused + 5; }));

  const auto start = TClock::now();
  EXPECT_TRUE(thread.Stop());
  EXPECT_LT(TClock::now() - start, 1s);
}

TEST(RtspThread, AacSoundComesAs16BitSamples) {
  TRtspServer server({"--size", "160x120", "--audio", "aac"});
  ASSERT_TRUE(server.Started()) << server.Error();
  auto sink = std::make_shared<TPictures>();
  TRtspOptions source{server.Url(), true, 10s};
  source.Sound = true;
  TRtspThread thread({source, 1s, nullptr}, sink);
  ASSERT_TRUE(sink->WaitUntil([&] { return sink->SoundSamples >= 16000; }));
  sink->Change([&] {
    EXPECT_EQ(sink->SoundFormat, "16000/1");
    EXPECT_GT(sink->Loudest, 1000);
  });
}

TEST(RtspThread, PicturesWantedAgainStartAtAKeyFrame) {
  TRtspServer server({"--size", "160x120"});  // a key frame every second
  ASSERT_TRUE(server.Started()) << server.Error();
  auto sink = std::make_shared<TPictures>();
  TRtspThread thread({{server.Url(), true, 10s}, 1s, nullptr}, sink);
  ASSERT_TRUE(sink->WaitUntil([&] { return sink->Sizes.size() >= 3; }));
  sink->Wanted = false;  // an unseen window: the stream is read, nothing decoded
  std::this_thread::sleep_for(300ms);
  std::size_t seen;
  sink->Change([&] { seen = sink->Sizes.size(); });
  sink->Wanted = true;
  ASSERT_TRUE(sink->WaitUntil([&] { return sink->Sizes.size() > seen + 1; }, 3s));
  // Decoding from any other picture would show a broken one until the next key frame.
  sink->Change([&] {
    EXPECT_TRUE(sink->Keys[seen]);
    EXPECT_FALSE(sink->Keys[seen + 1]);
  });
}

TEST(RtspThread, AFailingCameraIsToldAndAskedAgainAfterTheRetryDelay) {
  auto clock = std::make_shared<TManualClock>();
  auto sink = std::make_shared<TPictures>();
  const std::string url = "rtsp://127.0.0.1:" + std::to_string(ClosedPort()) + "/live";
  TRtspThread thread({{url, true, 10s}, 500ms, clock}, sink);
  ASSERT_TRUE(sink->WaitUntil([&] { return sink->States.size() >= 2; }));
  sink->Change([&] {
    EXPECT_EQ(sink->States[1], "Connection refused");
    EXPECT_EQ(sink->NextTries[1], clock->Now() + 500ms);
  });
  std::this_thread::sleep_for(50ms);
  sink->Change([&] { EXPECT_EQ(sink->States.size(), 2u); });  // no second try before its time
  clock->Advance(500ms);
  EXPECT_TRUE(sink->WaitUntil([&] { return sink->States.size() >= 4; }));
}

TEST(RtspThread, StopReturnsWithinASecondWhileTheHandshakeHangs) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Hold();
  });
  auto sink = std::make_shared<TPictures>();
  const std::string url = "rtsp://127.0.0.1:" + std::to_string(server.Port()) + "/live";
  TRtspThread thread({{url, true, 60s}, 1s, nullptr}, sink);
  ASSERT_TRUE(server.WaitConnections(1, 5s));
  const auto start = TClock::now();
  EXPECT_TRUE(thread.Stop());
  EXPECT_LT(TClock::now() - start, 1s);
}

}  // namespace
}  // namespace vexilon
