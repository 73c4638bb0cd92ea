#include "core/playback/PlaybackFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/AtomicFile.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using TNames = std::vector<std::string>;

TEST(PlaybackFiles, ListsTheMultiCaptureFilesOfAFolderInNameOrder) {
  TTempDir folder;
  for (const char* name : {"b.vmc", "A.VMC", "c.vmc.jpg", "notes.txt", "a.vmc", "C.Vmc", ".vmc"})
    WriteFileAtomically(folder.File(name), "x");
  std::filesystem::create_directory(folder.File("dir.vmc"));
  // Names that differ only in letter case are one name to the list.
  EXPECT_EQ(MultiCaptureFilesIn(folder.Path()), (TNames{"A.VMC", "b.vmc", "C.Vmc"}));
  EXPECT_TRUE(MultiCaptureFilesIn(folder.File("missing")).empty());
}

TEST(PlaybackFiles, NextAndPriorStopAtTheEndsOfTheList) {
  const TNames names = {"a.vmc", "B.vmc", "c.vmc"};
  struct TRow {
    const char* Current;
    bool Forward;
    std::optional<std::string> Answer;
  } rows[] = {
      {"a.vmc", true, "B.vmc"},      {"b.VMC", true, "c.vmc"},
      {"c.vmc", true, std::nullopt}, {"c.vmc", false, "B.vmc"},
      {"B.vmc", false, "a.vmc"},     {"a.vmc", false, std::nullopt},
      {"gone.vmc", true, "a.vmc"},   {"gone.vmc", false, std::nullopt},
  };
  for (const TRow& row : rows)
    EXPECT_EQ(NeighbourFile(names, row.Current, row.Forward), row.Answer)
        << row.Current << (row.Forward ? " next" : " prior");
  EXPECT_EQ(NeighbourFile({}, "a.vmc", true), std::nullopt);
}

}  // namespace
}  // namespace vexilon
