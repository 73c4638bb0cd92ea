#include "core/capture/CaptureNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace vexilon {
namespace {

TEST(CaptureNames, BaseNameCleaning) {
  const char* const rows[][2] = {
      {"Gate", "Gate"},     {"Lobby 2", "Lobby 2-"}, {"a/b:c", "a-b-c"},           {"", "Capture"},
      {"\"<>|\\", "-----"}, {"x*y?", "x*y?"},        {"Cam 10 (1)", "Cam 10 (1)"}, {"9", "9-"},
  };
  for (const auto& row : rows) EXPECT_EQ(CleanCaptureBase(row[0]), row[1]) << row[0];
}

TEST(CaptureNames, NumberPartOfAName) {
  EXPECT_EQ(CaptureNumberOf("Gate00012.jpg", "Gate"), 12);
  EXPECT_EQ(CaptureNumberOf("Gateway00003.jpg", "Gate"), 0);  // not a number: 0
  EXPECT_EQ(CaptureNumberOf("Gate.jpg", "Gate"), -1);         // nothing before the dot
  EXPECT_EQ(CaptureNumberOf("Gate00012", "Gate"), -1);        // no dot: not counted
  EXPECT_EQ(CaptureNumberOf("Gate99999999999.jpg", "Gate"), 2147483646);
}

class TNumberedFiles : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { std::ofstream(FDir.File(name)) << "x"; }
  std::string Next(const std::string& base) {
    const std::string path = NextNumberedFileName(FDir.Path(), base, ".jpg", FCounter);
    return path.substr(path.rfind('/') + 1);
  }
  TTempDir FDir;
  int FCounter = 0;
};

TEST_F(TNumberedFiles, FirstNumbersInAnEmptyFolderAndAfterADigit) {
  EXPECT_EQ(Next("Gate"), "Gate00001.jpg");
  Touch("Gate00001.jpg");
  EXPECT_EQ(Next("Gate"), "Gate00002.jpg");
  FCounter = 0;
  EXPECT_EQ(Next("Lobby 2"), "Lobby 2-00001.jpg");
}

TEST_F(TNumberedFiles, GoesOnAfterTheHighestNumberOnDiskIgnoringCaseOrTheCounterIfHigher) {
  Touch("Gate00007.jpg");
  Touch("GATE00012.JPG");
  Touch("Gateway00003.jpg");
  Touch("Gate00099.png");  // another extension
  EXPECT_EQ(Next("Gate"), "Gate00013.jpg");
  // Files deleted since do not take the counter back.
  FCounter = 99999;
  EXPECT_EQ(Next("Gate"), "Gate100000.jpg");
}

TEST_F(TNumberedFiles, CreatesAMissingFolderAndTakesAnyExtension) {
  const std::string folder = FDir.File("new");
  EXPECT_EQ(NextNumberedFileName(folder + "/", "Rec", ".vmc", FCounter), folder + "/Rec00001.vmc");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
}  // namespace vexilon
