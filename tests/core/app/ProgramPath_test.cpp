#include "core/app/ProgramPath.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "core/app/AtomicFile.h"
#include "core/app/DataFiles.h"
#include "core/app/StartupFiles.h"
#include "core/app/Switches.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

namespace fs = std::filesystem;

// Sets (with null: clears) an environment variable until the end of the scope.
class TEnvironment {
 public:
  TEnvironment(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old;
    Set(value);
  }
  ~TEnvironment() { Set(FOld ? FOld->c_str() : nullptr); }

 private:
  void Set(const char* value) { value ? ::setenv(FName, value, 1) : ::unsetenv(FName); }
  const char* FName;
  std::optional<std::string> FOld;
};

TEST(ProgramFolder, HomeVariableThenWritableExecutableFolderThenUserDataFolder) {
  TTempDir dir;
  {
    TEnvironment home("VEXILON_HOME", (dir.Path() + "/home/sub/").c_str());
    EXPECT_EQ(DetermineProgramFolder(dir.File("bin/vexilon")), dir.Path() + "/home/sub");
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/home/sub"));
  }
  TEnvironment home("VEXILON_HOME", "");  // set but empty counts as unset
  TEnvironment user("HOME", dir.Path().c_str());
  {
    TEnvironment data("XDG_DATA_HOME", dir.File("data").c_str());
    fs::create_directory(dir.File("bin"));
    EXPECT_EQ(DetermineProgramFolder(dir.File("bin/../bin/vexilon")), dir.File("bin"));
    // An installed viewer keeps its files apart from the prefix, even where it could write,
    // and finds what came with it there.
    fs::create_directories(dir.File("usr/bin"));
    fs::create_directories(dir.File("usr/share/vexilon"));
    WriteFileAtomically(dir.File("usr/share/vexilon/VXInst.vxc"), "x");
    EXPECT_EQ(DetermineProgramFolder(dir.File("usr/bin/vexilon")), dir.File("data/vexilon"));
    EXPECT_EQ(ProgramDataFile("share/vexilon/VXInst.vxc", "", dir.File("usr/bin/vexilon")),
              dir.File("usr/share/vexilon/VXInst.vxc"));
    EXPECT_EQ(ProgramDataFile("share/vexilon/VXInst.vxc", "", dir.File("bin/vexilon")), "");
    EXPECT_NE(ProgramDataFile("share/x", "README.md", dir.File("bin/vexilon")), "");
    // A folder that does not exist is no writable one.
    EXPECT_EQ(DetermineProgramFolder(dir.File("gone/vexilon")), dir.File("data/vexilon"));
    EXPECT_TRUE(fs::is_directory(dir.File("data/vexilon")));
    if (::geteuid() != 0) {  // root writes anywhere
      fs::create_directory(dir.File("ro"));
      ::chmod(dir.File("ro").c_str(), 0555);
      EXPECT_EQ(DetermineProgramFolder(dir.File("ro/vexilon")), dir.File("data/vexilon"));
    }
  }
  // A user data folder that is unset or not absolute falls back to the home folder.
  for (const char* xdg : {static_cast<const char*>(nullptr), "relative/data"}) {
    TEnvironment data("XDG_DATA_HOME", xdg);
    EXPECT_EQ(DetermineProgramFolder(dir.File("gone/vexilon")),
              dir.Path() + "/.local/share/vexilon");
  }
}

TEST(ExpandProgramPath, ResolvesAgainstTheProgramFolderAndCreatesTheFoldersOnTheWayOnly) {
  TTempDir dir;
  SetProgramFolder(dir.Path() + "/");
  EXPECT_EQ(ProgramFolder(), dir.Path());
  const char* const cases[][2] = {
      {"", ""},  // "@" stands for the program folder
      {".\\Vexilon.ini", "@/Vexilon.ini"},
      {"./Vexilon.ini", "@/Vexilon.ini"},
      {"Vexilon.ini", "@/Vexilon.ini"},
      {"CAPTURE\\a.jpg", "@/CAPTURE/a.jpg"},
      {".\\CAPTURE\\", "@/CAPTURE/"},
      {"..\\up.txt", "@/../up.txt"},
      // Rooted paths and paths with a colon are kept, with slashes.
      {"/var/x.vxc", "/var/x.vxc"},
      {"\\var\\x.vxc", "/var/x.vxc"},
      {"D:\\cams\\a.jpg", "D:/cams/a.jpg"},
      {"cam:1.jpg", "cam:1.jpg"},
  };
  for (const auto& c : cases) {
    std::string expected = c[1];
    if (expected.starts_with("@")) expected = dir.Path() + expected.substr(1);
    EXPECT_EQ(ExpandProgramPath(c[0]), expected) << c[0];
  }

  // The folders on the way are made, never the file.
  EXPECT_EQ(ExpandProgramPath(".\\a\\b\\c\\shot.jpg"), dir.Path() + "/a/b/c/shot.jpg");
  EXPECT_TRUE(fs::is_directory(dir.Path() + "/a/b/c"));
  EXPECT_FALSE(fs::exists(dir.Path() + "/a/b/c/shot.jpg"));
  // An absolute path gets its folders too, and doubled slashes do no harm.
  std::string absolute = dir.Path() + "//x\\y/z.txt";
  EXPECT_EQ(ExpandProgramPath(absolute), dir.Path() + "//x/y/z.txt");
  EXPECT_TRUE(fs::is_directory(dir.Path() + "/x/y"));
  // A file in the way is an error that is ignored.
  WriteFileAtomically(dir.File("file"), "");
  EXPECT_EQ(ExpandProgramPath("file/inner/z.txt"), dir.Path() + "/file/inner/z.txt");
  EXPECT_TRUE(fs::is_regular_file(dir.File("file")));
  // A drive path on Linux is relative to nothing we own: no folder in the current directory.
  ExpandProgramPath("Q:\\vexilon-test-drive\\a.jpg");
  EXPECT_FALSE(fs::exists("Q:"));
}

TEST(CopyFileWithTimes, CopiesBytesAndTimesOrThrowsNamingTheFile) {
  TTempDir dir;
  std::string source = dir.File("VXInst.vxc");
  std::string bytes("Vexilon Data File\r\n\0\xff tail", 27);
  WriteFileAtomically(source, bytes);
  const timespec times[2] = {{1000000000, 123456789}, {1200000000, 500000000}};
  ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
  std::string target = dir.File("Vexilon.vxc");
  WriteFileAtomically(target, "an older and longer catalogue");
  CopyFileWithTimes(source, target);
  // Before reading, which moves the access time.
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_atim.tv_nsec, times[0].tv_nsec);
  EXPECT_EQ(st.st_mtim.tv_sec, times[1].tv_sec);
  EXPECT_EQ(st.st_mtim.tv_nsec, times[1].tv_nsec);
  std::string copied;
  ASSERT_TRUE(ReadWholeFile(target, copied));
  EXPECT_EQ(copied, bytes);

  EXPECT_THROW(CopyFileWithTimes(dir.File("missing"), dir.File("t")), EFileWrite);
  EXPECT_THROW(CopyFileWithTimes(dir.Path(), dir.File("t")), EFileWrite);
  EXPECT_FALSE(fs::exists(dir.File("t")));
  EXPECT_THAT([&] { CopyFileWithTimes(source, dir.File("no/such/t")); },
              testing::ThrowsMessage<EFileWrite>(testing::HasSubstr("no/such/t")));
}

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

TEST_F(StartupFiles, FirstStartCopiesTheInstalledCatalogueButNeverReplacesTheUsers) {
  EXPECT_FALSE(InstallStartingCatalogue());
  EXPECT_FALSE(std::filesystem::exists(FDir.File("Vexilon.vxc")));

  // Copied with its times (the copy itself is CopyFileWithTimes's test).
  WriteFileAtomically(FDir.File("VXInst.vxc"), "installed\r\n");
  EXPECT_TRUE(InstallStartingCatalogue());
  EXPECT_EQ(Content("Vexilon.vxc"), "installed\r\n");

  // Once the user has a catalogue it is never replaced.
  WriteFileAtomically(FDir.File("Vexilon.vxc"), "edited");
  EXPECT_FALSE(InstallStartingCatalogue());
  EXPECT_EQ(Content("Vexilon.vxc"), "edited");
}

}  // namespace
}  // namespace vexilon
