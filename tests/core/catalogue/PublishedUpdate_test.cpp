#include "core/catalogue/PublishedUpdate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "core/catalogue/Catalogue.h"
#include "support/CatalogueSamples.h"
#include "support/FakeCatalogueHost.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

constexpr const char* kQuestion =
    "There is an update available.\r\nPublished at: May 17, 2004 12:01 AM\r\n"
    "Do you want to download the new version?";

class TFakePrompts final : public TUpdatePrompts {
 public:
  void SetWaitText(const std::string& text) override { WaitTexts.push_back(text); }
  bool AskYesNo(const std::string& text) override {
    Questions.push_back(text);
    return Answer;
  }
  void ShowError(const std::string& text) override { Errors.push_back(text); }

  bool Answer = true;
  std::vector<std::string> WaitTexts;
  std::vector<std::string> Questions;
  std::vector<std::string> Errors;
};

// A web server (or proxy) with a few files: it records each request line's method and target
// and answers 404 for anything else.
class TPublisher {
 public:
  void Put(const std::string& target, const std::string& body) {
    std::lock_guard<std::mutex> hold(FLock);
    FFiles[target] = body;
  }
  std::vector<std::string> Requests() const { return FServer.Recorded(); }
  std::string Address(const std::string& path) const { return FServer.Address(path); }
  int Port() const { return FServer.Port(); }

 private:
  void Answer(TServerConnection& c) {
    const std::string head = c.ReadHead();
    const std::string target = head.substr(0, head.find(" HTTP/"));
    c.Record(target);
    std::lock_guard<std::mutex> hold(FLock);
    auto file = FFiles.find(target.substr(target.find(' ') + 1));
    if (file == FFiles.end()) {
      c.Send("HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\n");
    } else {
      c.Send("HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" + file->second);
    }
  }

  mutable std::mutex FLock;
  std::map<std::string, std::string> FFiles;
  TLoopbackServer FServer{[this](TServerConnection& c, int) { Answer(c); }};
};

std::string Le32(std::uint32_t value) {
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
  return out;
}

// The version file a publisher writes for published: its header, then its size.
std::string VersionOf(const std::string& published, std::size_t size) {
  return published.substr(0, kPublishedHeaderSize) + Le32(static_cast<std::uint32_t>(size));
}
std::string VersionOf(const std::string& published) {
  return VersionOf(published, published.size());
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
  bool BackupExists() const { return std::filesystem::exists(backup); }

  TTempDir dir;
  TPublisher server;
  TNetSettings settings;
  TFakePrompts prompts;
  TPublishedUpdate update{prompts, [this] { return settings; }};
  TFakeCatalogueHost host;
  TCatalogue catalogue{host, nullptr};
  const std::string address = server.Address("/dir/cams.vxp");
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
    EXPECT_EQ(ReadBytes(file), oldFile) << c.Name;
    EXPECT_FALSE(BackupExists()) << c.Name;
    EXPECT_EQ(server.Requests().back(), "GET /dir/cams.vxv") << c.Name;
    EXPECT_FALSE(host.WaitOpen);
  }
  EXPECT_EQ(server.Requests().size(), std::size(cases));
  EXPECT_EQ(prompts.WaitTexts.back(), "Checking for updates...");
  EXPECT_EQ(host.FavoritesLoaded.size(), std::size(cases));
}

TEST_F(PublishedUpdate, NothingIsAskedWithoutAServer) {
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
}

TEST_F(PublishedUpdate, AnUpdateServerThatFailsMidTransferLeavesTheLoadedFile) {
  // A time-out or a reset in the middle of the check says nothing about the file itself.
  struct TFailingCheck : TUpdateCheck {
    bool CheckForUpdate(const std::string&, std::uint32_t, const TSystemTime&, bool) override {
      throw std::runtime_error("Timed Out");
    }
  } failing;
  catalogue.SetUpdateCheck(&failing);
  catalogue.LoadMainFile(file);
  EXPECT_EQ(Outline(), "Cameras{old}");
  EXPECT_TRUE(catalogue.FPublished);
  EXPECT_EQ(host.FavoritesLoaded.size(), 1u);
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

TEST_F(PublishedUpdate, ANewEditionReplacesTheFileKeepsTheOldOneAndIsCheckedOnceMore) {
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
}

TEST_F(PublishedUpdate, AServerThatAlwaysHasANewerEditionIsFollowedOncePerLoad) {
  // The version file never matches what is served, so every check finds an update.
  std::string version = VersionOf(newFile);
  version[4] = 99;
  server.Put("/dir/cams.vxv", version);
  server.Put("/dir/cams.vxp", newFile);
  for (std::size_t load = 1; load <= 2; ++load) {
    catalogue.LoadMainFile(file);
    EXPECT_EQ(Outline(), "Cameras{new}");
    EXPECT_EQ(prompts.Questions.size(), load);
    EXPECT_EQ(server.Requests().size(), 3 * load);
  }
  EXPECT_EQ(ReadBytes(backup), newFile);  // the second load kept the first edition downloaded
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

TEST_F(PublishedUpdate, TheProxyTypeChoosesHowTheProxyIsAsked) {
  struct {
    int ProxyType;
    const char* Request;  // what the proxy sees
  } cases[] = {
      {2, "GET http://cams.example:8080/dir/cams.vxv"},
      {3, "GET /dir/cams.vxv"},
  };
  for (const auto& c : cases) {
    TPublisher proxy;
    proxy.Put("http://cams.example:8080/dir/cams.vxv", VersionOf(newFile));
    proxy.Put("/dir/cams.vxv", VersionOf(newFile));
    settings.ProxyType = c.ProxyType;
    settings.Proxy = "127.0.0.1:" + std::to_string(proxy.Port());
    prompts.Answer = false;
    prompts.Questions.clear();
    update.CheckForUpdate("http://cams.example:8080/dir/cams.vxp", 5, {}, true);
    EXPECT_EQ(proxy.Requests(), std::vector<std::string>{c.Request}) << c.ProxyType;
    EXPECT_EQ(prompts.Questions.size(), 1u) << c.ProxyType;
    EXPECT_EQ(update.ExpectedSize(), newFile.size());
  }
  const std::pair<int, int> modes[] = {{0, -1}, {1, 0}, {2, 1}, {3, 2}, {4, -1}, {-1, -1}};
  for (auto [type, mode] : modes) EXPECT_EQ(ProxyModeFor(type), mode) << type;
}

}  // namespace
}  // namespace vexilon
