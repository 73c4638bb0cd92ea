#include "core/catalogue/PublishedUpdate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "core/catalogue/Catalogue.h"
#include "core/catalogue/PublicationTime.h"
#include "core/catalogue/VersionFile.h"
#include "support/CatalogueSamples.h"
#include "support/FakeCatalogueHost.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

constexpr const char* kQuestion =
    "There is an update available.\r\nPublished at: May 17, 2004 12:01 AM\r\n"
    "Do you want to download the new version?";

struct TFakePrompts final : TUpdatePrompts {
  void SetWaitText(const std::string& text) override { WaitTexts.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    Questions.push_back(text);
    return Answer;
  }
  void ShowError(const std::string& text) override { Errors.push_back(text); }

  bool Answer = true;
  std::vector<std::string> WaitTexts, Questions, Errors;
};

// A web server (or proxy) with a few files: it records each request line's method and target
// and answers 404 for anything else.
struct TPublisher {
  void Put(const std::string& target, const std::string& body) {
    std::lock_guard<std::mutex> hold(Lock);
    Files[target] = body;
  }
  std::vector<std::string> Requests() const { return Server.Recorded(); }

  std::mutex Lock;
  std::map<std::string, std::string> Files;
  TLoopbackServer Server{[this](TServerConnection& c, int) {
    const std::string head = c.ReadHead();
    const std::string target = head.substr(0, head.find(" HTTP/"));
    c.Record(target);
    std::lock_guard<std::mutex> hold(Lock);
    auto file = Files.find(target.substr(target.find(' ') + 1));
    c.Send(file == Files.end()
               ? "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\n"
               : "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" +
                     file->second);
  }};
};

std::string Le32(std::uint32_t value) {
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
  return out;
}

// The version file a publisher writes for published: its header, then its size.
std::string VersionOf(const std::string& published, std::size_t size = 0) {
  return published.substr(0, kPublishedHeaderSize) +
         Le32(static_cast<std::uint32_t>(size ? size : published.size()));
}

class PublishedUpdate : public ::testing::Test {
 protected:
  PublishedUpdate() {
    update.SetBiasSource([] { return 0; });
    catalogue.SetUpdateCheck(&update);
    WriteBytes(file, oldFile);
  }

  std::string Catalogue(const std::string& item, unsigned serial, const std::string& address) {
    return PublishedFile(Record("Vexilon Data File") +
                             Record("TYPE=ROOT NAME=R AUTOUPDATE=" + address) +
                             Record(":" + ItemLine(item)) + RecordsEnd(),
                         serial);
  }
  std::string Outline() const { return vexilon::Outline(*catalogue.FRoot); }

  TTempDir dir;
  TPublisher server;
  TNetSettings settings;
  TFakePrompts prompts;
  TPublishedUpdate update{prompts, [this] { return settings; }};
  TFakeCatalogueHost host;
  TCatalogue catalogue{host, nullptr};
  const std::string address = server.Server.Address("/dir/cams.vxp");
  const std::string file = dir.File("cams.vxp");
  const std::string backup = dir.File("cams.bak");
  const std::string oldFile = Catalogue("old", 5, address);
  const std::string newFile = Catalogue("new", 6, address);
};

TEST_F(PublishedUpdate, TheVersionFileDecidesWhetherTheUserIsAsked) {
  std::string later = VersionOf(oldFile);
  later[18] = 1;  // minute 1
  std::string otherSerial = VersionOf(oldFile);
  otherSerial[4] = 6;
  std::string badTime = later;
  badTime[10] = 13;  // month 13
  struct {
    const char* Name;
    std::string Version;  // empty: none published
    bool Asked;
  } cases[] = {
      {"none published", "", false},
      {"same serial and time", VersionOf(oldFile), false},
      {"same serial, later time", later, true},
      {"other serial, same time", otherSerial, true},
      {"cut short", VersionOf(newFile).substr(0, 31), false},
      {"no calendar time", badTime, false},
      {"larger than any download", VersionOf(newFile, kMaxUpdateBytes + 1), false},
  };
  prompts.Answer = false;
  for (const auto& c : cases) {
    if (!c.Version.empty()) server.Put("/dir/cams.vxv", c.Version);
    prompts.Questions.clear();
    catalogue.LoadMainFile(file);
    EXPECT_EQ(prompts.Questions.size(), c.Asked ? 1u : 0u) << c.Name;
    if (c.Asked && c.Version == later) {
      EXPECT_EQ(prompts.Questions[0], kQuestion);
    }
    // No leaves everything as it was, and nothing is downloaded.
    EXPECT_EQ(Outline(), "Cameras{old}") << c.Name;
    EXPECT_EQ(server.Requests().back(), "GET /dir/cams.vxv") << c.Name;
    EXPECT_FALSE(host.WaitOpen);
  }
  EXPECT_EQ(server.Requests().size(), std::size(cases));
}

TEST_F(PublishedUpdate, NothingIsAskedWithoutAServerOrWhenTheCheckFails) {
  // No address; nobody listening.
  for (const std::string& where :
       {std::string(), "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/cams.vxp"}) {
    WriteBytes(file, Catalogue("old", 5, where));
    catalogue.LoadMainFile(file);
    EXPECT_EQ(Outline(), "Cameras{old}") << where;
  }
  EXPECT_TRUE(prompts.Questions.empty());
  EXPECT_TRUE(prompts.Errors.empty());
  EXPECT_EQ(prompts.WaitTexts, std::vector<std::string>{"Checking for updates..."});
  EXPECT_TRUE(server.Requests().empty());

  // A time-out or a reset in the middle of the check says nothing about the file itself.
  struct : TUpdateCheck {
    bool CheckForUpdate(const std::string&, std::uint32_t, const TSystemTime&, bool) override {
      throw std::runtime_error("Timed Out");
    }
  } failing;
  catalogue.SetUpdateCheck(&failing);
  catalogue.LoadMainFile(file);
  EXPECT_EQ(Outline(), "Cameras{old}");
  EXPECT_TRUE(catalogue.FPublished);
  EXPECT_EQ(host.FavoritesLoaded.size(), 3u);
}

TEST_F(PublishedUpdate, ADownloadOfTheWrongSizeIsRefusedAndChangesNoFile) {
  WriteBytes(backup, "previous backup");
  struct {
    const char* Name;
    std::size_t Announced;
    std::string Served;
  } cases[] = {
      {"one byte short", newFile.size() + 1, newFile},
      {"one byte over", newFile.size() - 1, newFile},
      // Far beyond what was announced: the transfer stops early rather than holding it all.
      {"far over", 10, newFile + std::string(std::size_t{1} << 20, 'x')},
  };
  for (const auto& c : cases) {
    server.Put("/dir/cams.vxv", VersionOf(newFile, c.Announced));
    server.Put("/dir/cams.vxp", c.Served);
    prompts.Errors.clear();
    catalogue.LoadMainFile(file);
    EXPECT_EQ(prompts.Errors, std::vector<std::string>{kUpdateWrongSize}) << c.Name;
    EXPECT_EQ(Outline(), "Cameras{old}") << c.Name;
    EXPECT_EQ(ReadBytes(file), oldFile) << c.Name;
    EXPECT_EQ(ReadBytes(backup), "previous backup") << c.Name;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST_F(PublishedUpdate, ANewEditionReplacesTheFileKeepsTheOldOneAndIsCheckedOnceMorePerLoad) {
  server.Put("/dir/cams.vxv", VersionOf(newFile));
  server.Put("/dir/cams.vxp", newFile);
  catalogue.LoadMainFile(file);
  EXPECT_EQ(Outline(), "Cameras{new}");
  EXPECT_EQ(ReadBytes(file), newFile);
  EXPECT_EQ(ReadBytes(backup), oldFile);
  EXPECT_EQ(prompts.Questions.size(), 1u);
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"GET /dir/cams.vxv", "GET /dir/cams.vxp",
                                                         "GET /dir/cams.vxv"}));
  EXPECT_EQ(prompts.WaitTexts,
            (std::vector<std::string>{"Checking for updates...", "Downloading connection file...",
                                      "Replacing connection file...", "Checking for updates..."}));
  EXPECT_EQ(host.FavoritesLoaded.size(), 1u);
  EXPECT_FALSE(host.WaitOpen);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);

  // A server whose version never matches what it serves is followed once per load, not for ever.
  std::string version = VersionOf(newFile);
  version[4] = 99;
  server.Put("/dir/cams.vxv", version);
  catalogue.LoadMainFile(file);
  EXPECT_EQ(Outline(), "Cameras{new}");
  EXPECT_EQ(prompts.Questions.size(), 2u);
  EXPECT_EQ(server.Requests().size(), 6u);
}

TEST_F(PublishedUpdate, AReplacementThatCannotBeWrittenKeepsTheLoadedFile) {
  std::filesystem::create_directories(backup + "/in the way");
  server.Put("/dir/cams.vxv", VersionOf(newFile));
  server.Put("/dir/cams.vxp", newFile);
  catalogue.LoadMainFile(file);
  ASSERT_EQ(prompts.Errors.size(), 1u);
  EXPECT_NE(prompts.Errors[0].find("cams.bak"), std::string::npos);
  EXPECT_EQ(Outline(), "Cameras{old}");
  EXPECT_EQ(ReadBytes(file), oldFile);
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_EQ(host.FavoritesLoaded.size(), 1u);
}

TEST_F(PublishedUpdate, TheCheckGoesThroughTheChosenProxyNamingHostAndPort) {
  // How each mode talks to a proxy is the HTTP control's; here: which mode a type picks.
  TPublisher proxy;
  proxy.Put("http://cams.example:8080/dir/cams.vxv", VersionOf(newFile));
  settings.ProxyType = 2;
  settings.Proxy = "127.0.0.1:" + std::to_string(proxy.Server.Port());
  prompts.Answer = false;
  update.CheckForUpdate("http://cams.example:8080/dir/cams.vxp", 5, {}, true);
  EXPECT_EQ(proxy.Requests(),
            std::vector<std::string>{"GET http://cams.example:8080/dir/cams.vxv"});
  EXPECT_EQ(prompts.Questions.size(), 1u);
  EXPECT_EQ(update.ExpectedSize(), newFile.size());
  const std::pair<int, int> modes[] = {{0, -1}, {1, 0}, {2, 1}, {3, 2}, {4, -1}, {-1, -1}};
  for (auto [type, mode] : modes) EXPECT_EQ(ProxyModeFor(type), mode) << type;
}

// Magic, serial 9, 2024-03-05 (a Tuesday) 15:07:08.250 UTC, then the skip length.
std::string Header(std::uint32_t skip) {
  TPublishedHeader header;
  header.Serial = 9;
  header.Time = {2024, 3, 2, 5, 15, 7, 8, 250};
  std::string out = FormatPublishedHeader(header);
  return out.substr(0, 24) + Le32(skip);
}

TEST(VersionFile, EveryLengthIsChecked) {
  struct {
    const char* Name;
    std::string Bytes;
    bool Parsed;
    std::uint32_t Size;
  } cases[] = {
      {"empty", "", false, 0},
      {"header cut short", Header(0).substr(0, 27), false, 0},
      {"no size", Header(0), false, 0},
      {"size cut short", Header(0) + "\x01\x02\x03", false, 0},
      {"plain", Header(0) + Le32(123456), true, 123456},
      {"trailing bytes ignored", Header(0) + Le32(7) + "junk", true, 7},
      {"skipped block", Header(3) + "abc" + Le32(0x01020304), true, 0x01020304},
      {"skip one past the end", Header(4) + "abc" + Le32(1), false, 0},
      {"skip near 4 GiB cannot wrap", Header(0xFFFFFFFF) + Le32(1), false, 0},
      {"skip exactly to the end", Header(4) + "abcd", false, 0},
  };
  for (const auto& c : cases) {
    TVersionFile version;
    ASSERT_EQ(ParseVersionFile(c.Bytes, version), c.Parsed) << c.Name;
    if (!c.Parsed) continue;
    EXPECT_EQ(version.Size, c.Size) << c.Name;
    EXPECT_EQ(version.Serial, 9u) << c.Name;
    EXPECT_EQ(version.Time, (TSystemTime{2024, 3, 2, 5, 15, 7, 8, 250})) << c.Name;
  }
  // The magic is not examined: whatever tool published the file decides it.
  TVersionFile version;
  EXPECT_TRUE(ParseVersionFile("XXXX" + Header(0).substr(4) + Le32(5), version));
}

TEST(PublicationTime, ConvertsToLocalStandardTimeAndFormats) {
  struct {
    TSystemTime Utc;
    int Bias;  // minutes, west positive
    const char* Shown;
    std::uint16_t DayOfWeek;
  } cases[] = {
      {{2024, 3, 2, 5, 15, 7, 8, 250}, 0, "Mar 5, 2024 3:07 PM", 2},
      {{2024, 3, 2, 5, 15, 7, 8, 250}, 300, "Mar 5, 2024 10:07 AM", 2},
      {{2024, 1, 1, 1, 2, 30, 0, 0}, 300, "Dec 31, 2023 9:30 PM", 0},    // back over a year
      {{2024, 2, 3, 28, 23, 0, 0, 0}, -90, "Feb 29, 2024 12:30 AM", 4},  // into a leap day
      {{2023, 2, 2, 28, 23, 0, 0, 0}, -90, "Mar 1, 2023 12:30 AM", 3},
      {{2024, 7, 0, 14, 0, 5, 0, 0}, 0, "Jul 14, 2024 12:05 AM", 0},     // midnight is 12 AM
      {{2024, 7, 0, 14, 12, 0, 0, 0}, 0, "Jul 14, 2024 12:00 PM", 0},    // noon is 12 PM
      {{1969, 12, 0, 31, 23, 59, 0, 0}, -1, "Jan 1, 1970 12:00 AM", 4},  // across the epoch
  };
  for (const auto& c : cases) {
    TSystemTime local = UtcToLocalTime(c.Utc, c.Bias);
    EXPECT_EQ(FormatPublicationTime(local), c.Shown);
    EXPECT_EQ(local.DayOfWeek, c.DayOfWeek) << c.Shown;
    EXPECT_EQ(local.Second, c.Utc.Second) << c.Shown;
    EXPECT_EQ(local.Milliseconds, c.Utc.Milliseconds) << c.Shown;
  }
}

TEST(PublicationTime, RejectsTimesThatAreNoCalendarTime) {
  EXPECT_TRUE(IsValidSystemTime({2023, 2, 0, 28, 23, 59, 59, 999}));
  EXPECT_TRUE(IsValidSystemTime({2000, 2, 0, 29, 0, 0, 0, 0}));  // a leap year
  const TSystemTime bad[] = {
      {2023, 2, 0, 29, 0, 0, 0, 0},  // no leap year
      {1900, 2, 0, 29, 0, 0, 0, 0},  // nor a century not divisible by 400
      {0, 1, 0, 1, 0, 0, 0, 0},     {10000, 1, 0, 1, 0, 0, 0, 0}, {2023, 0, 0, 1, 0, 0, 0, 0},
      {2023, 13, 0, 1, 0, 0, 0, 0}, {2023, 1, 0, 0, 0, 0, 0, 0},  {2023, 1, 0, 1, 24, 0, 0, 0},
      {2023, 1, 0, 1, 0, 60, 0, 0}, {2023, 1, 0, 1, 0, 0, 60, 0}, {2023, 1, 0, 1, 0, 0, 0, 1000},
  };
  for (std::size_t row = 0; row < std::size(bad); ++row)
    EXPECT_FALSE(IsValidSystemTime(bad[row])) << "row " << row;
}

}  // namespace
}  // namespace vexilon
