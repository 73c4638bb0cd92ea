#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/app/AtomicFile.h"
#include "core/app/DebugLog.h"
#include "core/app/ProgramPath.h"
#include "core/app/Settings.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

TEST(NetSettings, ReadingAndWritingTheProcessSettingsPublishesThem) {
  TTempDir dir;
  const TSettings saved = Settings();
  WriteFileAtomically(dir.File("Vexilon.ini"),
                      "PROXY=proxy.lan:3128\r\nPROXYTYPE=2\r\nCPUUSAGE=50\r\n");
  ASSERT_TRUE(ReadSettings(dir.File("Vexilon.ini"), Settings()));
  TNetSettings net = NetSettings();
  EXPECT_EQ(net.Proxy, "proxy.lan:3128");
  EXPECT_EQ(net.ProxyType, 2);
  EXPECT_EQ(net.CpuUsage, 50);

  Settings().Timeout = 33;
  WriteSettings(dir.File("Vexilon.ini"), Settings());
  EXPECT_EQ(NetSettings().Timeout, 33);

  // Another settings object is not the process's: nothing is published.
  TSettings other;
  other.Proxy = "elsewhere";
  WriteSettings(dir.File("Other.ini"), other);
  EXPECT_EQ(NetSettings().Proxy, "proxy.lan:3128");

  Settings() = saved;
  PublishNetSettings(saved);
}

TEST(NetSettings, ThreadsReadWhileTheUserChangesTheProxy) {
  // Run under ThreadSanitizer this catches a torn read of the PROXY text.
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done) {
      const TNetSettings net = NetSettings();
      ASSERT_TRUE(net.Proxy.empty() || net.Proxy == "a-rather-long-proxy-name.example:3128" ||
                  net.Proxy == "p:1");
    }
  });
  TSettings settings;
  for (int i = 0; i < 2000; ++i) {
    settings.Proxy = i % 2 ? "p:1" : "a-rather-long-proxy-name.example:3128";
    PublishNetSettings(settings);
  }
  done = true;
  reader.join();
  PublishNetSettings(TSettings{});
}

TEST(DebugLog, LastPayloadIsKeptOnlyWhenDebugging) {
  TTempDir dir;
  const std::string oldFolder = ProgramFolder();
  SetProgramFolder(dir.Path());
  SetDebugEnabledForTest(false);
  DumpLastPayload("first");
  Log("not written");
  std::string content;
  EXPECT_FALSE(ReadWholeFile(dir.File("Vexilon.Dbg"), content));
  EXPECT_FALSE(ReadWholeFile(dir.File("VEXILON.LOG"), content));
  SetDebugEnabledForTest(true);
  DumpLastPayload("first");
  DumpLastPayload("second");
  DumpLastPayload("");  // an empty payload leaves the last one
  Log("a line");
  SetDebugEnabledForTest(std::nullopt);
  SetProgramFolder(oldFolder);
  ASSERT_TRUE(ReadWholeFile(dir.File("Vexilon.Dbg"), content));
  EXPECT_EQ(content, "second");
  ASSERT_TRUE(ReadWholeFile(dir.File("VEXILON.LOG"), content));
  EXPECT_TRUE(content.ends_with(" a line\r\n")) << content;
}

}  // namespace
}  // namespace vexilon
