#include "core/net/AudioThread.h"

#include <gtest/gtest.h>

#include "support/LoopbackServer.h"
#include "support/WaitingSink.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;

std::string BigEndian32(uint32_t value) {
  return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

// A mu-law AU stream of the given number of samples at 8000 Hz, mono.
std::string MuLawStream(size_t samples) {
  return ".snd" + BigEndian32(24) + BigEndian32(0xFFFFFFFF) + BigEndian32(1) + BigEndian32(8000) +
         BigEndian32(1) + std::string(samples, '\x7f');
}

TEST(AudioThread, PlaysASeparateSoundStreamAndReconnectsAtOnce) {
  TLoopbackServer server([](TServerConnection& c, int) {
    c.ReadHead();
    c.Send("HTTP/1.0 200 OK\r\nContent-Type: audio/basic\r\n\r\n" + MuLawStream(3000));
  });
  auto sink = std::make_shared<TWaitingSink>();
  TAudioConnect sound;
  sound.Web = server.Address("/audio.au");
  sound.Flags = kSimpleGetFlag | kSeparateAudioFormat;
  TConnectConfig config;
  config.Timeout = 2s;
  config.Interval = 5s;  // ignored: sound comes back at once
  config.Settings = [] { return TNetSettings{}; };
  TAudioThread thread(sound, sink, config);
  ASSERT_TRUE(sink->WaitUntil([](const TRecordingSink& s) { return s.Audio.size() >= 6000; }));
  const auto formats = sink->Seen().Formats;
  ASSERT_FALSE(formats.empty());
  EXPECT_EQ(formats[0], TWaveFormat::Pcm(8000, 16, 1));
  EXPECT_TRUE(server.WaitConnections(3, 2s));
}

TEST(AudioThread, SoundFocusFollowsPauseAndResume) {
  auto sink = std::make_shared<TWaitingSink>();
  TAudioConnect sound;
  sound.Web = "no host";
  TConnectConfig config;
  config.Settings = [] { return TNetSettings{}; };
  int stops = 0;
  {
    TAudioThread first(sound, sink, config, [&] { ++stops; });
    TAudioThread second(sound, sink, config, [&] { ++stops; });
    first.ResumeStream();
    EXPECT_EQ(AudioOwner().load(), &first);
    first.PauseStream();
    EXPECT_EQ(AudioOwner().load(), nullptr);
    EXPECT_TRUE(first.IsPaused());
    second.ResumeStream();
    first.PauseStream();  // not the owner: the focus stays
    EXPECT_EQ(AudioOwner().load(), &second);
    EXPECT_EQ(stops, 4);
  }
  EXPECT_EQ(AudioOwner().load(), nullptr);
}

}  // namespace
}  // namespace vexilon
