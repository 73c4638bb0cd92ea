#include "core/app/StartupFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/app/AtomicFile.h"
#include "core/app/ProgramPath.h"
#include "core/app/Switches.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

class StartupFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SetProgramFolder(FDir.Path());
    SetCommandLine({});
  }
  void TearDown() override { SetCommandLine({}); }
  std::string Content(const char* name) {
    std::string content;
    EXPECT_TRUE(ReadWholeFile(FDir.File(name), content));
    return content;
  }
  TTempDir FDir;
};

TEST_F(StartupFiles, ConnectionFileChoice) {
  // A folder named like the published file is no file.
  std::filesystem::create_directory(FDir.File("Vexilon.vxp"));
  EXPECT_EQ(StartupConnectionFile(), FDir.File("Vexilon.vxc"));
  std::filesystem::remove(FDir.File("Vexilon.vxp"));
  // The published file wins over the private one.
  WriteFileAtomically(FDir.File("Vexilon.vxc"), "private");
  WriteFileAtomically(FDir.File("Vexilon.vxp"), "published");
  EXPECT_EQ(StartupConnectionFile(), FDir.File("Vexilon.vxp"));
  // A /C value wins over both and is taken as given; /C alone falls back to the default.
  SetCommandLine({"/c:D:\\cams\\x.vxc"});
  EXPECT_EQ(StartupConnectionFile(), "D:\\cams\\x.vxc");
  SetCommandLine({"/C"});
  EXPECT_EQ(StartupConnectionFile(), FDir.File("Vexilon.vxp"));
}

TEST_F(StartupFiles, FirstStartCopiesInstalledCatalogueWithItsTimes) {
  EXPECT_FALSE(InstallStartingCatalogue());
  EXPECT_FALSE(std::filesystem::exists(FDir.File("Vexilon.vxc")));

  WriteFileAtomically(FDir.File("VXInst.vxc"), "installed\r\n");
  const timespec times[2] = {{1100000000, 0}, {1100000001, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, FDir.File("VXInst.vxc").c_str(), times, 0), 0);
  EXPECT_TRUE(InstallStartingCatalogue());
  EXPECT_EQ(Content("Vexilon.vxc"), "installed\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(FDir.File("Vexilon.vxc").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000001);

  // Once the user has a catalogue it is never replaced.
  WriteFileAtomically(FDir.File("Vexilon.vxc"), "edited");
  EXPECT_FALSE(InstallStartingCatalogue());
  EXPECT_EQ(Content("Vexilon.vxc"), "edited");
}

}  // namespace
}  // namespace vexilon
