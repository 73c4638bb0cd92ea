#include "core/app/AtomicFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/FileSizeLimit.h"
#include "support/KilledChild.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

std::string Content(const std::string& path) {
  std::string content;
  EXPECT_TRUE(ReadWholeFile(path, content)) << path;
  return content;
}

TEST(AtomicFile, ReplacesContentKeepsPermissionsAndLeavesNoTemporaryFiles) {
  TTempDir dir;
  std::string path = dir.File("a.txt");
  WriteFileAtomically(path, "first, and longer");
  ::chmod(path.c_str(), 0640);
  WriteFileAtomically(path, "second");
  EXPECT_EQ(Content(path), "second");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  std::string content;
  EXPECT_FALSE(ReadWholeFile(path, content, 5));  // larger than allowed
  EXPECT_TRUE(ReadWholeFile(path, content, 6));
  EXPECT_FALSE(ReadWholeFile(dir.File("none"), content));
}

TEST(AtomicFile, FailureOrAFullDiskKeepsTheOldFileAndNamesIt) {
  TTempDir dir;
  // A directory in the way of the rename makes the write fail after the temporary was made.
  std::string blocked = dir.File("sub");
  std::filesystem::create_directories(blocked + "/x");
  EXPECT_THROW(WriteFileAtomically(blocked, "new"), EFileWrite);
  EXPECT_TRUE(std::filesystem::is_directory(blocked + "/x"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  const std::string kept = dir.File("kept.txt");
  WriteFileAtomically(kept, "old");
  {
    TFileSizeLimit fullDisk(1000);
    EXPECT_THROW(WriteFileAtomically(kept, std::string(5000, 'n')), EFileWrite);
  }
  EXPECT_EQ(Content(kept), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
  EXPECT_THAT([&] { WriteFileAtomically(dir.File("missing/folder/f.txt"), "x"); },
              testing::ThrowsMessage<EFileWrite>(testing::HasSubstr("missing/folder/f.txt")));
}

TEST(AtomicFile, ReplacingKeepsTheOldFileAsBackup) {
  TTempDir dir;
  const std::string path = dir.File("cams.vxp");
  const std::string backup = dir.File("cams.bak");

  // No file yet: nothing to keep, an older backup stays.
  WriteFileAtomically(backup, "older backup");
  ReplaceFileKeepingBackup(path, backup, "first");
  EXPECT_EQ(Content(backup), "older backup");

  // A file larger than one copying slice survives whole in the backup, with its permissions.
  const std::string big(200 * 1024 + 7, 'b');
  WriteFileAtomically(path, big);
  ::chmod(path.c_str(), 0640);
  ReplaceFileKeepingBackup(path, backup, "second");
  EXPECT_EQ(Content(backup), big);
  EXPECT_EQ(Content(path), "second");
  struct stat st {};
  ASSERT_EQ(::stat(backup.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
  // A backup that cannot be written:
  // PublishedUpdate.AReplacementThatCannotBeWrittenKeepsTheLoadedFile.
}

TEST(AtomicFile, KilledWhileSavingLeavesTheOldFileOrTheNewNeverAMixture) {
  TTempDir dir;
  const std::string path = dir.File("Vexilon.vxc");
  const std::string old(300000, 'o'), fresh(300000, 'n');
  WriteFileAtomically(path, old);
  const std::string started = dir.File("started");
  ASSERT_TRUE(RunAndKill(
      [&] {
        for (int i = 0;; ++i) {
          WriteFileAtomically(path, i % 2 ? old : fresh);
          if (i == 3) WriteFileAtomically(started, "");
        }
      },
      [&] { return std::filesystem::exists(started); }));
  const std::string bytes = Content(path);
  EXPECT_TRUE(bytes == old || bytes == fresh) << bytes.size() << " bytes of a mixture";
}

}  // namespace
}  // namespace vexilon
