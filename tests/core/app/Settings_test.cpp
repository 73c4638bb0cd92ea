#include "core/app/Settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/app/AtomicFile.h"
#include "core/app/DebugLog.h"
#include "core/app/ProgramPath.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using namespace std::string_literals;

TEST(Settings, WritesTheExactFileLinesAndReadsThemBack) {
  TTempDir dir;
  TSettings s;
  s.Proxy = "proxy:8080";
  s.ProxyType = 2;
  s.User[3] = "x y";
  EXPECT_EQ(FormatSettings(s),
            "; Vexilon individual configuration file\r\nTIMEOUT=15\r\nPROXY=proxy:8080\r\n"
            "PROXYTYPE=2\r\nASPECT=1\r\nFLASHBACK=0\r\nRESETSIZE=0\r\nRESETCLIENT=0\r\n"
            "AUDIOOUTPUT=0\r\nAUDIOBUFFER=20\r\nCPUUSAGE=99\r\nUSER1=\r\nUSER2=\r\nUSER3=\r\n"
            "USER4=x y\r\n");

  s.Timeout = 600;
  s.Proxy = " spaced = proxy ";
  s.ProxyType = 3;
  s.Aspect = false;
  s.Flashback = 100;
  s.ResetSize = true;
  s.ResetClient = 3;
  s.AudioOutput = true;
  s.SetAudioBuffer(1);
  s.CpuUsage = 0;
  s.User = {"a=b", "", "(c)", "\"d\""};
  SettingsChanged = true;
  WriteSettings(dir.File("v.ini"), s);
  EXPECT_FALSE(SettingsChanged);
  TSettings r;
  ASSERT_TRUE(ReadSettings(dir.File("v.ini"), r));
  EXPECT_EQ(FormatSettings(r), FormatSettings(s));

  // What is remembered of the windows follows the options, and only once it is known.
  s.Remembered.TreeWidth = 200;
  s.Remembered.Expanded = {"Outdoor", "Outdoor:Gate house"};
  s.Remembered.MainWindow = {10, -20, 800, 600, true};
  s.Remembered.Volume = 35;
  const std::string text = FormatSettings(s);
  EXPECT_NE(text.find("USER4=\"d\"\r\nTREEWIDTH=200\r\nEXPANDED=Outdoor\r\nEXPANDED=Outdoor:Gate "
                      "house\r\nMAINWINDOW=10 -20 800 600 1\r\nVOLUME=35\r\n"),
            std::string::npos)
      << text;
  WriteSettings(dir.File("v.ini"), s);
  ASSERT_TRUE(ReadSettings(dir.File("v.ini"), r));
  ASSERT_TRUE(ReadSettings(dir.File("v.ini"), r));  // read twice, listed once
  EXPECT_EQ(FormatSettings(r), text);
  // Nonsense from the file is held to what a screen could show, or dropped.
  WriteFileAtomically(dir.File("v.ini"),
                      "MAINWINDOW=1 2 -3 4 1\r\nPLAYBACKWINDOW=0 0 "
                      "99999999 5\r\nVOLUME=250\r\nTREEWIDTH=-4\r\n");
  ASSERT_TRUE(ReadSettings(dir.File("v.ini"), r));
  EXPECT_FALSE(r.Remembered.MainWindow.Known());
  EXPECT_EQ(r.Remembered.PlaybackWindow.Width, 100000);
  EXPECT_EQ(r.Remembered.Volume, 100);
  EXPECT_EQ(r.Remembered.TreeWidth, 0);

  r.Timeout = 42;
  EXPECT_FALSE(ReadSettings(dir.File("none.ini"), r));
  EXPECT_EQ(r.Timeout, 42);  // a missing file leaves the settings alone
}

TEST(Settings, ReadsLinesTolerantly) {
  struct Case {
    std::string text;
    int timeout, proxyType, audioBuffer, resetClient;
    bool aspect;
    int flashback = 0, cpuUsage = 99;
  } cases[] = {
      {"timeout=30\r\n", 30, 0, 20, 0, true},   // keys are upper-cased
      {"TIMEOUT =30\r\n", 15, 0, 20, 0, true},  // the blank belongs to the key
      // Numbers are held to what the Options menu offers: zero seconds would reset every
      // connection at once, and an unknown window mode is none.
      {"TIMEOUT=-5\r\n", 1, 0, 20, 0, true},
      {"TIMEOUT=601\r\nFLASHBACK=-1\r\nCPUUSAGE=101\r\n", 600, 0, 20, 0, true, 0, 100},
      {"FLASHBACK=101\r\nCPUUSAGE=-3\r\nRESETCLIENT=4\r\n", 15, 0, 20, 0, true, 100, 0},
      {"FLASHBACK=100\r\nCPUUSAGE=0\r\nRESETCLIENT=3\r\n", 15, 0, 20, 3, true, 100, 0},
      {"TIMEOUT=abc\nASPECT=0 more\n", 15, 0, 20, 0, false},
      {"TIMEOUT=7\0\r\n"s, 15, 0, 20, 0, true},  // a NUL makes it no number
      {"TIMEOUT=99999999999999999999\r\n", 15, 0, 20, 0, true},
      {"ASPECT=\r\n", 15, 0, 20, 0, true},  // empty switch is on
      {"ASPECT=\t0\r\n", 15, 0, 20, 0, false},
      {"AUDIOBUFFER=0\r\n", 15, 0, 20, 0, true},
      {"AUDIOBUFFER=101\r\n", 15, 0, 20, 0, true},
      {"AUDIOBUFFER= 7 x\r\n", 15, 0, 7, 0, true},
      {"PROXY=host:1\r\nPROXYTYPE=2\r\n", 15, 2, 20, 0, true},
      {"PROXYTYPE=2\r\nPROXY=host:1\r\n", 15, 1, 20, 0, true},  // later line wins
      {"PROXY=host:1\r\nPROXYTYPE=9\r\n", 15, 1, 20, 0, true},  // no such type
      {"PROXY=\r\n", 15, 0, 20, 0, true},
      {"; TIMEOUT=1\rno equals\rRESETCLIENT=2 junk\r", 15, 0, 20, 2, true},
  };
  TTempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteFileAtomically(dir.File("Vexilon.ini"), c.text);
    TSettings s;
    ASSERT_TRUE(ReadSettings(dir.File("Vexilon.ini"), s));
    EXPECT_EQ(s.Timeout, c.timeout);
    EXPECT_EQ(s.ProxyType, c.proxyType);
    EXPECT_EQ(s.AudioBuffer, c.audioBuffer);
    EXPECT_EQ(s.AudioBufferCount, c.audioBuffer + 20);
    EXPECT_EQ(s.ResetClient, c.resetClient);
    EXPECT_EQ(s.Aspect, c.aspect);
    EXPECT_EQ(s.Flashback, c.flashback);
    EXPECT_EQ(s.CpuUsage, c.cpuUsage);
  }
}

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
  SetDebugEnabledForTest(std::nullopt);
  SetProgramFolder(oldFolder);
  ASSERT_TRUE(ReadWholeFile(dir.File("Vexilon.Dbg"), content));
  EXPECT_EQ(content, "second");
  // What the log holds when debugging: ConnectThread.RawBytesGoToTheCaptureOutputAndTheDebugFiles.
}

}  // namespace
}  // namespace vexilon
