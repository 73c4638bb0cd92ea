#include "core/audio/WaveOut.h"

#include <gtest/gtest.h>

#include <deque>
#include <thread>

namespace vexilon {
namespace {

using namespace std::chrono_literals;

// Holds written blocks until the test lets them finish; logs every call.
class TFakeDevice : public TWaveDevice {
 public:
  bool Open(const TWaveFormat& format, TBlockDone done) override {
    std::lock_guard lock(FLock);
    Log += "open ";
    if (!CanOpen) return false;
    Format = format;
    FDone = std::move(done);
    return true;
  }
  bool Write(std::vector<uint8_t> block) override {
    std::lock_guard lock(FLock);
    Log += "write ";
    if (!CanWrite) return false;
    FBlocks.push_back(std::move(block));
    return true;
  }
  void Pause() override { Note("pause "); }
  void Restart() override { Note("restart "); }
  void Reset() override {
    Note("reset ");
    FinishAll();
  }
  void Close() override { Note("close "); }

  // The device played n blocks (from its own thread in real life).
  void Finish(size_t n) {
    for (; n > 0; --n) {
      TBlockDone done;
      {
        std::lock_guard lock(FLock);
        if (FBlocks.empty()) return;
        FBlocks.pop_front();
        done = FDone;
      }
      done();
    }
  }
  void FinishAll() { Finish(SIZE_MAX); }
  size_t Held() {
    std::lock_guard lock(FLock);
    return FBlocks.size();
  }
  std::string TakeLog() {
    std::lock_guard lock(FLock);
    return std::exchange(Log, "");
  }

  bool CanOpen = true;
  bool CanWrite = true;
  TWaveFormat Format;
  std::string Log;

 private:
  void Note(const char* what) {
    std::lock_guard lock(FLock);
    Log += what;
  }
  std::mutex FLock;
  std::deque<std::vector<uint8_t>> FBlocks;
  TBlockDone FDone;
};

class WaveOut : public ::testing::Test {
 protected:
  void Play(int blocks = 1, uint32_t rate = 8000) {
    const uint8_t pcm[4] = {1, 2, 3, 4};
    for (int i = 0; i < blocks; ++i) Out.PlaySoundBlock(rate, 16, 1, pcm, sizeof pcm);
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

TEST_F(WaveOut, FirstBlockOpensAPausedDeviceAndTheTwentiethStartsIt) {
  Play();
  EXPECT_EQ(Device.TakeLog(), "open pause reset pause write ");
  EXPECT_EQ(Device.Format, TWaveFormat::Pcm(8000, 16, 1));
  EXPECT_EQ(Reports, (std::vector<std::pair<bool, int>>{{true, 3}}));
  Play(18);
  EXPECT_TRUE(Out.Buffering());
  EXPECT_EQ(Device.TakeLog().find("restart"), std::string::npos);
  EXPECT_EQ(Reports[18], std::make_pair(true, 48));  // 19 of 40
  Play();
  EXPECT_FALSE(Out.Buffering());
  EXPECT_EQ(Device.TakeLog(), "write restart ");
  EXPECT_EQ(Reports.back(), std::make_pair(false, 50));
  EXPECT_EQ(Out.Queued(), 20);
}

TEST_F(WaveOut, FullQueueDropsEverythingAndBuffersAgain) {
  Play(40);
  EXPECT_EQ(Out.Queued(), 40);
  Device.TakeLog();
  Reports.clear();
  Play();
  EXPECT_EQ(Device.TakeLog(), "reset pause write ");
  EXPECT_EQ(Out.Queued(), 1);
  EXPECT_TRUE(Out.Buffering());
  EXPECT_EQ(Reports.size(), 41u);  // forty returned blocks and the new one
  EXPECT_EQ(Reports.back(), std::make_pair(true, 3));
}

TEST_F(WaveOut, UnderrunBuffersAgain) {
  Play(20);
  Device.Finish(20);
  EXPECT_EQ(Out.Queued(), 0);
  EXPECT_EQ(Reports.back(), std::make_pair(false, 0));
  Device.TakeLog();
  Play();
  EXPECT_EQ(Device.TakeLog(), "reset pause write ");
  EXPECT_TRUE(Out.Buffering());
  Play(19);
  EXPECT_FALSE(Out.Buffering());
}

TEST_F(WaveOut, NewFormatReopensTheDevice) {
  Play(5);
  Device.TakeLog();
  Play(1, 11025);
  EXPECT_EQ(Device.TakeLog(), "reset close open pause reset pause write ");
  EXPECT_EQ(Device.Format, TWaveFormat::Pcm(11025, 16, 1));
  EXPECT_EQ(Out.Queued(), 1);
  // A format no device plays changes nothing.
  const uint8_t pcm[4] = {};
  for (auto [rate, channels] : {std::pair{999u, 1}, {192001u, 1}, {8000u, 0}, {8000u, 9}})
    Out.PlaySoundBlock(rate, 16, uint16_t(channels), pcm, sizeof pcm);
  EXPECT_EQ(Device.TakeLog(), "");
  EXPECT_EQ(Out.Queued(), 1);
}

TEST_F(WaveOut, BlocksTheDeviceRefusesAreNotCounted) {
  Device.CanOpen = false;
  Play(3);
  EXPECT_FALSE(Out.IsOpen());
  EXPECT_EQ(Out.Queued(), 0);
  EXPECT_EQ(Device.TakeLog(), "open open open ");
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
  Device.TakeLog();
  Out.CloseIdleSound();
  EXPECT_FALSE(Out.IsOpen());
  EXPECT_EQ(Device.TakeLog(), "reset close ");
  EXPECT_EQ(Out.Queued(), 0);
  Out.CloseIdleSound();
  Out.StopSound();
  EXPECT_EQ(Device.TakeLog(), "");

  Play(25);
  Out.StopSound();
  EXPECT_FALSE(Out.IsOpen());
  EXPECT_EQ(Out.Queued(), 0);
  Play();
  EXPECT_TRUE(Out.IsOpen());
  EXPECT_TRUE(Out.Buffering());
}

TEST_F(WaveOut, AudioBufferOutsideItsRangeIsTwenty) {
  for (int value : {0, 101, -5}) {
    Out.SetAudioBuffer(value);
    EXPECT_EQ(Out.AudioBuffer(), 20);
    EXPECT_EQ(Out.QueueLimit(), 40);
  }
  Out.SetAudioBuffer(1);
  EXPECT_EQ(Out.QueueLimit(), 21);
  Play();
  EXPECT_FALSE(Out.Buffering());  // one block is enough
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
  EXPECT_EQ(size_t(Out.Queued()), Device.Held());
  Device.FinishAll();
  EXPECT_EQ(Out.Queued(), 0);
}

}  // namespace
}  // namespace vexilon
