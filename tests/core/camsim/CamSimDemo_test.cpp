// The demo catalogue and camsim --demo must agree: every camera in it is served, in the
// format its entry names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/catalogue/RecordText.h"
#include "core/net/AudioStreamParser.h"
#include "support/CamSim.h"
#include "support/TestClient.h"

namespace vexilon {
namespace {

constexpr const char* kDemoHost = "http://127.0.0.1:8481";

struct TDemoCamera {
  std::string Name, Video, Audio;
  int Flags = 0;
};

std::vector<TDemoCamera> DemoCameras() {
  // This file is tests/core/camsim/ in the source tree.
  const std::filesystem::path root =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path();
  std::ifstream file(root / "demo" / "Vexilon.vxc", std::ios::binary);
  std::vector<TDemoCamera> cameras;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string record = line.substr(line.find_first_not_of(':'));
    if (RecordValue(record, "TYPE") != "ITEM") continue;
    cameras.push_back({RecordValue(record, "NAME"), RecordValue(record, "WEB"),
                       RecordValue(RecordValue(record, "AUDIO"), "WEB"),
                       RecordInt(record, "FLAGS", 0)});
  }
  return cameras;
}

std::string PathOf(const std::string& address) {
  EXPECT_TRUE(address.starts_with(kDemoHost)) << address;
  return address.substr(std::string(kDemoHost).size());
}

TEST(CamSimDemo, ServesEveryCameraOfTheDemoCatalogue) {
  const std::vector<TDemoCamera> cameras = DemoCameras();
  ASSERT_EQ(cameras.size(), 8u);
  TCamSim sim({"--demo"});
  ASSERT_TRUE(sim.Started()) << sim.Error();
  int withSound = 0;
  for (const TDemoCamera& camera : cameras) {
    SCOPED_TRACE(camera.Name);
    const TRecordingSink fetch = FetchVideo(sim.Port(), GetRequest(PathOf(camera.Video)),
                                            camera.Flags & 6, 2, std::chrono::seconds(4));
    ASSERT_FALSE(fetch.Frames.empty()) << fetch.PageText;
    if ((camera.Flags & 6) == 4) {
      EXPECT_NE(fetch.Frames[0].find("<html>"), std::string::npos);
    } else {
      EXPECT_TRUE(IsJpegOfSize(fetch.Frames.back(), 640, 480));
    }
    if (camera.Audio.empty()) continue;
    ++withSound;
    TTestClient client(sim.Port());
    ASSERT_TRUE(client.Send(GetRequest(PathOf(camera.Audio))));
    TRecordingSink sink;
    TAudioStreamParser parser(sink);
    parser.Connected();
    FeedParser(
        client, parser, [&] { return !sink.Audio.empty(); }, std::chrono::seconds(2));
    EXPECT_FALSE(sink.Audio.empty());
  }
  EXPECT_EQ(withSound, 1);
}

}  // namespace
}  // namespace vexilon
