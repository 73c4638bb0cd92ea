#include "core/app/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TempDir.h"

namespace vexilon {
namespace {

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFiles) {
  TTempDir dir;
  std::string path = dir.File("a.txt");
  WriteFileAtomically(path, "first, and longer");
  WriteFileAtomically(path, "second");
  std::string content;
  ASSERT_TRUE(ReadWholeFile(path, content));
  EXPECT_EQ(content, "second");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, FailureKeepsOldFileAndNamesIt) {
  TTempDir dir;
  std::string path = dir.File("keep.txt");
  WriteFileAtomically(path, "old");
  // A directory in the way of the rename makes the write fail after the temporary was made.
  std::string blocked = dir.File("sub");
  std::filesystem::create_directory(blocked);
  std::filesystem::create_directory(blocked + "/x");
  EXPECT_THROW(WriteFileAtomically(blocked, "new"), EFileWrite);
  try {
    WriteFileAtomically(dir.File("missing/folder/f.txt"), "x");
    FAIL();
  } catch (const EFileWrite& e) {
    EXPECT_NE(std::string(e.what()).find("missing/folder/f.txt"), std::string::npos);
  }
  std::string content;
  ASSERT_TRUE(ReadWholeFile(path, content));
  EXPECT_EQ(content, "old");
}

TEST(AtomicFile, KeepsPermissionsOfReplacedFile) {
  TTempDir dir;
  std::string path = dir.File("p.txt");
  WriteFileAtomically(path, "a");
  ::chmod(path.c_str(), 0640);
  WriteFileAtomically(path, "b");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicFile, ReadWholeFileRefusesOversizedAndMissing) {
  TTempDir dir;
  std::string path = dir.File("big");
  WriteFileAtomically(path, std::string(100, 'x'));
  std::string content;
  EXPECT_FALSE(ReadWholeFile(path, content, 99));
  EXPECT_TRUE(ReadWholeFile(path, content, 100));
  EXPECT_FALSE(ReadWholeFile(dir.File("none"), content));
}

}  // namespace
}  // namespace vexilon
