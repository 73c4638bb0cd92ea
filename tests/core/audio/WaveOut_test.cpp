#include "core/audio/WaveOut.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace vexilon {
namespace {

using namespace std::chrono_literals;

// A sound card that holds written blocks until the test lets them play.
class TFakeDevice : public TWaveDevice {
 public:
  bool Open(const TWaveFormat& format, TBlockDone done) override {
    ++Opens;
    if (!CanOpen) return false;
    Format = format;
    FDone = std::move(done);
    Playing = true;
    return true;
  }
  bool Write(std::vector<uint8_t>) override {
    Held += CanWrite;
    return CanWrite;
  }
  void Pause() override { Playing = false; }
  void Restart() override { Playing = true; }
  void Reset() override { Finish(SIZE_MAX); }  // every held block comes back
  void Close() override { ++Closes; }

  // The device played n blocks (from its own thread in real life).
  void Finish(size_t n) {
    for (size_t held = Held; n > 0 && held > 0; held = Held) {
      if (!Held.compare_exchange_weak(held, held - 1)) continue;
      --n;
      FDone();
    }
  }

  bool CanOpen = true, CanWrite = true, Playing = false;
  int Opens = 0, Closes = 0;
  TWaveFormat Format;
  std::atomic<size_t> Held{0};

 private:
  TBlockDone FDone;
};

class WaveOut : public ::testing::Test {
 protected:
  void Play(int blocks = 1, uint32_t rate = 8000, uint16_t channels = 1) {
    const uint8_t pcm[4] = {1, 2, 3, 4};
    for (int i = 0; i < blocks; ++i) Out.PlaySoundBlock(rate, 16, channels, pcm, sizeof pcm);
  }

  TFakeDevice Device;
  std::chrono::steady_clock::time_point Now{std::chrono::hours(1)};
  std::vector<std::pair<bool, int>> Reports;  // outlives Out, which reports as it closes
  TWaveOut Out{Device, 20, [this] { return Now; }};
  void SetUp() override {
    Out.SetFillReport(
        [this](bool buffering, int percent) { Reports.emplace_back(buffering, percent); });
  }
};

TEST_F(WaveOut, TheTwentiethBlockStartsTheDeviceAFullQueueIsDroppedAndAnUnderrunBuffers) {
  for (int outside : {0, 101, -5}) {
    Out.SetAudioBuffer(outside);
    EXPECT_EQ(Out.AudioBuffer(), 20);
  }
  Play();
  EXPECT_EQ(Device.Opens, 1);
  EXPECT_EQ(Device.Held.load(), 1u);
  EXPECT_FALSE(Device.Playing);
  EXPECT_EQ(Device.Format, TWaveFormat::Pcm(8000, 16, 1));
  EXPECT_EQ(Reports, (std::vector<std::pair<bool, int>>{{true, 3}}));
  Play(18);
  EXPECT_TRUE(Out.Buffering());
  EXPECT_FALSE(Device.Playing);
  EXPECT_EQ(Reports[18], std::make_pair(true, 48));  // 19 of 40
  Play();
  EXPECT_FALSE(Out.Buffering());
  EXPECT_TRUE(Device.Playing);
  EXPECT_EQ(Reports.back(), std::make_pair(false, 50));

  Play(20);
  EXPECT_EQ(Out.Queued(), 40);
  Reports.clear();
  Play();
  EXPECT_EQ(Device.Held.load(), 1u);
  EXPECT_FALSE(Device.Playing);
  EXPECT_EQ(Out.Queued(), 1);
  EXPECT_TRUE(Out.Buffering());
  EXPECT_EQ(Reports.size(), 41u);  // forty returned blocks and the new one
  EXPECT_EQ(Reports.back(), std::make_pair(true, 3));
  Play(19);
  EXPECT_TRUE(Device.Playing);
  Device.Finish(20);
  EXPECT_EQ(Out.Queued(), 0);
  EXPECT_EQ(Reports.back(), std::make_pair(false, 0));
  Play();
  EXPECT_FALSE(Device.Playing);
  EXPECT_TRUE(Out.Buffering());
}

TEST_F(WaveOut, NewFormatReopensTheDevice) {
  Play(5);
  Play(1, 11025);
  EXPECT_EQ(Device.Closes, 1);
  EXPECT_EQ(Device.Opens, 2);
  EXPECT_EQ(Device.Held.load(), 1u);  // the old format's sound went with the old device
  EXPECT_FALSE(Device.Playing);
  EXPECT_EQ(Device.Format, TWaveFormat::Pcm(11025, 16, 1));
  EXPECT_EQ(Out.Queued(), 1);
  // A format no device plays changes nothing.
  for (auto [rate, channels] : {std::pair{999u, 1}, {192001u, 1}, {8000u, 0}, {8000u, 9}})
    Play(1, rate, uint16_t(channels));
  EXPECT_EQ(Device.Opens, 2);
  EXPECT_EQ(Device.Held.load(), 1u);
  EXPECT_EQ(Out.Queued(), 1);
}

TEST_F(WaveOut, BlocksTheDeviceRefusesAreNotCounted) {
  Device.CanOpen = false;
  Play(3);
  EXPECT_FALSE(Out.IsOpen());
  EXPECT_EQ(Out.Queued(), 0);
  EXPECT_EQ(Device.Opens, 3);  // every block tries again
  Device.CanOpen = true;
  Play(3);
  Device.CanWrite = false;
  Play(5);
  EXPECT_EQ(Out.Queued(), 3);
}

TEST_F(WaveOut, IdleOrStoppedDeviceClosesAndTheNextBlockReopens) {
  Play(3);
  Now += 30s;
  Out.CloseIdleSound();
  EXPECT_TRUE(Out.IsOpen());
  Now += 1ms;
  Out.CloseIdleSound();
  EXPECT_FALSE(Out.IsOpen());
  EXPECT_EQ(Device.Closes, 1);
  EXPECT_EQ(Out.Queued(), 0);
  Out.CloseIdleSound();
  Out.StopSound();
  EXPECT_EQ(Device.Closes, 1);

  Play(25);
  Out.StopSound();
  EXPECT_FALSE(Out.IsOpen());
  EXPECT_EQ(Out.Queued(), 0);
  Play();
  EXPECT_TRUE(Out.IsOpen());
  EXPECT_TRUE(Out.Buffering());
}

TEST_F(WaveOut, AnAudioBufferOfOneBlockPlaysAtOnce) {
  Out.SetAudioBuffer(1);
  EXPECT_EQ(Out.QueueLimit(), 21);
  Play();
  EXPECT_FALSE(Out.Buffering());
}

TEST_F(WaveOut, CompletionsFromAnotherThreadKeepTheCountExact) {
  Out.SetFillReport(nullptr);
  std::atomic<bool> running{true};
  std::thread player([&] {
    while (running) Device.Finish(1);
  });
  for (int i = 0; i < 20000; ++i) Play();
  running = false;
  player.join();
  EXPECT_EQ(size_t(Out.Queued()), Device.Held.load());
  Device.Finish(SIZE_MAX);
  EXPECT_EQ(Out.Queued(), 0);
}

}  // namespace
}  // namespace vexilon
