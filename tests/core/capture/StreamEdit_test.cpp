#include "core/capture/StreamEdit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/capture/MultiCaptureWriter.h"
#include "core/capture/VmcFiles.h"
#include "core/imaging/Jpeg.h"
#include "support/FileSizeLimit.h"
#include "support/GreyJpeg.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using std::chrono::seconds;
using std::chrono::system_clock;

const system_clock::time_point kStart(seconds(1700000000));

struct TShot {
  std::int32_t Window;
  std::string Name;
  std::string Jpeg;
  std::int32_t Flags = 0;
};

// Frame i is taken at kStart + i seconds.
void WriteFrames(const std::string& path, const std::vector<std::vector<TShot>>& frames,
                 std::optional<std::int32_t> captionHeight = std::nullopt) {
  TMultiCaptureWriter writer;
  writer.Create(path, captionHeight);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    writer.AppendFrame(kStart + seconds(i));
    for (const TShot& shot : frames[i])
      writer.AppendImage(shot.Flags, {5, 6, 7, 8}, shot.Window, shot.Name, shot.Jpeg);
  }
  writer.Close();
}

// A camera recording of count frames; frame i (0-based) has shade 10 * i, which tells frames
// apart after they have moved.
std::vector<std::vector<TShot>> OneWindow(int count) {
  std::vector<std::vector<TShot>> frames;
  for (int i = 0; i < count; ++i)
    frames.push_back({{3, "Gate", GreyJpeg(16, 8, std::uint8_t(10 * i))}});
  return frames;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(StreamCut, CutsTheRangeOutRenumbersAndMarksTheBreak) {
  struct TRow {
    const char* Name;
    int First, Last;
    std::vector<int> Kept;  // original frame indexes (0-based) left, in order
    bool ToEnd;
  } rows[] = {
      {"one frame in the middle", 5, 5, {0, 1, 2, 3, 5}, false},
      {"from the start", 1, 2, {2, 3, 4, 5}, false},
      {"to the last frame", 3, 6, {0, 1}, true},
      {"past the last frame", 4, 99, {0, 1, 2}, true},
      {"everything", 1, 6, {}, true},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TTempDir folder;
    const std::string path = folder.File("gate.vmc");
    std::vector<std::vector<TShot>> frames = OneWindow(6);
    frames[3][0].Flags = kImageBreak;
    WriteFrames(path, frames, 21);
    const TReadBack before = ReadBack(path);
    const std::string original = FileBytes(path);
    const std::optional<TCutSpan> span = CutSpan(before.Index, before.Size, row.First, row.Last);
    ASSERT_TRUE(span);

    std::int64_t lastDone = -1, total = -1;
    const TCutResult result = CutFrames(path, before.Index, before.Size, row.First, row.Last,
                                        [&](std::int64_t done, std::int64_t all) {
                                          EXPECT_GT(done, lastDone);
                                          lastDone = done;
                                          total = all;
                                          return true;
                                        });
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(lastDone, total);
    const TReadBack after = ReadBack(path);
    EXPECT_FALSE(after.Damaged);
    // The index the cut works out is the one a fresh walk finds.
    EXPECT_EQ(result.FrameIndex, after.Index);
    EXPECT_EQ(result.FileSize, after.Size);
    EXPECT_EQ(after.Size, before.Size - (span->End - span->Start) + (row.ToEnd ? 4 : 0));
    const std::string bytes = FileBytes(path);
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));
    // The caption-height record before the first frame stays.
    EXPECT_EQ(bytes.substr(0, 16), original.substr(0, 16));
    ASSERT_EQ(after.Frames.size(), row.Kept.size());
    for (std::size_t i = 0; i < row.Kept.size(); ++i) {
      const TCaptureFrame& frame = after.Frames[i];
      const int original = row.Kept[i];
      EXPECT_EQ(frame.FrameNumber, std::int32_t(i + 1));
      EXPECT_EQ(frame.Time, kStart + seconds(original));
      ASSERT_EQ(frame.Images.size(), 1u);
      EXPECT_EQ(frame.Images[0].Jpeg, before.Frames[std::size_t(original)].Images[0].Jpeg);
      // The first image after the cut starts a new stretch; a break already there stays.
      EXPECT_EQ(frame.Images[0].Break(), int(i) == row.First - 1 || original == 3)
          << "frame " << i + 1;
    }
  }
}

TEST(StreamCut, OnlyTheFirstImageAfterTheCutOfADesktopFrameGetsTheBreak) {
  TTempDir folder;
  const std::string path = folder.File("desk.vmc");
  const std::string a = GreyJpeg(8, 8, 1), b = GreyJpeg(8, 8, 2);
  WriteFrames(path, {{{1, "A", a}}, {{1, "A", a}, {2, "B", b}}, {{1, "A", a}, {2, "B", b}}});
  const TReadBack before = ReadBack(path);
  CutFrames(path, before.Index, before.Size, 2, 2);
  std::vector<bool> breaks;
  for (const TCaptureFrame& frame : ReadBack(path).Frames)
    for (const TCaptureImage& image : frame.Images) breaks.push_back(image.Break());
  EXPECT_EQ(breaks, (std::vector<bool>{false, true, false}));
}

TEST(StreamCut, RefusesWhatItCannotDoAndLeavesTheFileAsItWas) {
  TTempDir folder;
  const std::string path = folder.File("gate.vmc");
  std::vector<std::vector<TShot>> frames;
  // Pictures of noise do not compress: the file is large enough for a full disk to stop the cut
  // in the middle.
  for (int i = 0; i < 40; ++i) {
    TBitmap noise;
    noise.Width = noise.Height = 64;
    for (int p = 0; p < 64 * 64 * 3; ++p) noise.Pixels.push_back(std::uint8_t(p * 7919 + i * 31));
    frames.push_back({{1, "Gate", EncodeJpeg(noise, 95)}});
  }
  WriteFrames(path, frames);
  const TReadBack before = ReadBack(path);
  const std::string original = FileBytes(path);

  struct TSpanRow {
    int First, Last;
    bool Any;
  } spans[] = {{2, 1, false}, {0, 2, false}, {41, 41, false}, {40, 40, true}, {1, 1, true}};
  for (const TSpanRow& row : spans) {
    EXPECT_EQ(CutSpan(before.Index, before.Size, row.First, row.Last).has_value(), row.Any)
        << row.First << " to " << row.Last;
  }
  EXPECT_THROW(CutFrames(path, before.Index, before.Size, 3, 2), EStreamEdit);
  // An index that is no longer the file's: the recording went on, or it was cut elsewhere.
  EXPECT_THROW(CutFrames(path, before.Index, before.Size - 1, 1, 1), EStreamEdit);
  EXPECT_THROW(CutFrames(folder.File("missing.vmc"), before.Index, before.Size, 1, 1),
               EMultiCaptureRead);

  // Cancelled, failing or out of room halfway: the recording is untouched and nothing is left.
  const TCutResult cancelled = CutFrames(path, before.Index, before.Size, 1, 1,
                                         [](std::int64_t, std::int64_t) { return false; });
  EXPECT_TRUE(cancelled.Cancelled);
  EXPECT_THROW(CutFrames(path, before.Index, before.Size, 1, 1,
                         [](std::int64_t, std::int64_t) -> bool { throw EFileWrite("crash"); }),
               EFileWrite);
  {
    TFileSizeLimit fullDisk(std::uint64_t(before.Size / 2));
    EXPECT_THROW(CutFrames(path, before.Index, before.Size, 2, 2), EFileWrite);
  }
  EXPECT_EQ(FileBytes(path), original);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"gate.vmc"});
}

TEST(StreamExtract, ARangeBecomesAOneWindowFileWithItsTimeStamps) {
  TTempDir folder;
  const std::string source = folder.File("gate.vmc");
  std::vector<std::vector<TShot>> frames = OneWindow(8);
  frames[4][0].Flags = kImageBreak;
  frames[5][0].Jpeg = "no picture";  // left out
  WriteFrames(source, frames, 21);
  const TReadBack before = ReadBack(source);

  const std::string target = folder.File("Extract00001.vmc");
  const TExtractResult result = ExtractFrames(source, before.Index, 4, 7, target, 19);
  EXPECT_EQ(result.Images, 3);
  EXPECT_FALSE(result.DamageAt);
  const TReadBack extract = ReadBack(target);
  ASSERT_EQ(extract.Frames.size(), 3u);
  const int originals[] = {3, 4, 6};
  for (std::size_t i = 0; i < 3; ++i) {
    const TCaptureFrame& frame = extract.Frames[i];
    EXPECT_EQ(frame.FrameNumber, std::int32_t(i + 1));
    EXPECT_EQ(frame.Time, kStart + seconds(originals[i]));
    const TCaptureImage image{originals[i] == 4 ? kImageBreak : 0,
                              {0, 0, 16 + 2, 8 + 2 + 19},
                              1,
                              "Gate",
                              frames[std::size_t(originals[i])][0].Jpeg};
    EXPECT_EQ(frame.Images, std::vector<TCaptureImage>{image});
  }
  // No caption-height record: the first frame follows the magic.
  EXPECT_EQ(extract.Index.front(), 8);
  EXPECT_FALSE(extract.Frames.back().CaptionHeight);

  // The end before the start, or a start past the index: a file without frames.
  for (auto [first, last] : {std::pair{5, 4}, std::pair{9, 9}}) {
    ExtractFrames(source, before.Index, first, last, target, 19);
    EXPECT_EQ(FileBytes(target), std::string(".vmc\0\0\0\0", 8));
  }
  EXPECT_THROW(ExtractFrames(source, before.Index, 1, 1, source, 19), EStreamEdit);
}

TEST(StreamExtract, AWindowOfADesktopFileBecomesOneFrameForEachOfItsImages) {
  TTempDir folder;
  const std::string source = folder.File("desk.vmc");
  const std::string a1 = GreyJpeg(8, 8, 1), a2 = GreyJpeg(8, 8, 2), b1 = GreyJpeg(24, 4, 3);
  WriteFrames(source, {{{1, "A", a1}, {2, "B", b1}}, {{2, "B", b1}}, {{2, "B", b1}, {1, "A", a2}}});
  const std::string target = folder.File("A00001.vmc");
  EXPECT_EQ(ExtractWindow(source, 1, target, 0).Images, 2);
  const TReadBack extract = ReadBack(target);
  ASSERT_EQ(extract.Frames.size(), 2u);
  EXPECT_EQ(extract.Frames[0].Images,
            std::vector<TCaptureImage>({{0, {0, 0, 10, 10}, 1, "A", a1}}));
  EXPECT_EQ(extract.Frames[1].Images,
            std::vector<TCaptureImage>({{0, {0, 0, 10, 10}, 1, "A", a2}}));
  EXPECT_EQ(extract.Frames[1].Time, kStart + seconds(2));
  EXPECT_EQ(ExtractWindow(source, 2, target, 0).Images, 3);
  EXPECT_EQ(ReadBack(target).Frames.at(2).Images.at(0).Rect, (TCaptureRect{0, 0, 26, 6}));
}

TEST(StreamExplode, WritesNumberedFilesAfterThoseOnDiskAndStopsAtABadPicture) {
  TTempDir folder;
  const std::string source = folder.File("desk.vmc");
  const std::string g1 = GreyJpeg(8, 8, 1), g2 = GreyJpeg(8, 8, 2), g3 = GreyJpeg(8, 8, 3);
  WriteFrames(source, {{{1, "Gate", g1}, {2, "Yard", GreyJpeg(8, 8, 9)}},
                       {{1, "Gate", g2}},
                       {{1, "Gate", g3}},
                       {{1, "Gate", "broken"}},
                       {{1, "Gate", g1}}});
  const std::string out = folder.File("out");
  std::filesystem::create_directory(out);
  WriteFileAtomically(out + "/Gate00007.jpg", "older");

  EXPECT_THAT([&] { ExplodeWindow(source, 1, out, "Gate"); },
              testing::ThrowsMessage<EStreamEdit>(testing::HasSubstr("3 pictures were written")));
  EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"Gate00007.jpg", "Gate00008.jpg",
                                                    "Gate00009.jpg", "Gate00010.jpg"}));
  EXPECT_EQ(FileBytes(out + "/Gate00007.jpg"), "older");
  EXPECT_EQ(FileBytes(out + "/Gate00008.jpg"), g1);
  EXPECT_EQ(FileBytes(out + "/Gate00010.jpg"), g3);
}

TEST(StreamEdit, DamagedFilesNeverCrashAndKeepWhatCameBeforeTheDamage) {
  TTempDir folder;
  const std::string good = folder.File("good.vmc");
  WriteFrames(good, OneWindow(3), 21);
  const std::string bytes = FileBytes(good);
  const std::string damaged = folder.File("damaged.vmc");
  const std::string out = folder.File("out");
  // The file cut short anywhere, and hostile values in every type, length and name-length
  // field. (Each edit flushes its files to disk, so the variants are few and chosen.)
  std::vector<std::string> variants;
  for (std::size_t size = 0; size < bytes.size(); size += 29)
    variants.push_back(bytes.substr(0, size));
  std::vector<std::size_t> fields = {4, 8};  // the caption-height record
  for (const std::int64_t entry : ReadBack(good).Index) {
    const auto frame = std::size_t(entry);
    for (std::size_t field : {frame - 4, frame, frame + 16, frame + 20, frame + 20 + 4 + 24})
      fields.push_back(field);
  }
  for (const std::size_t at : fields) {
    for (const char* value : {"\xff\xff\xff\x7f", "\x00\x00\x00\x80", "\x03\x00\x00\x00"}) {
      std::string hostile = bytes;
      hostile.replace(at, 4, value, 4);
      variants.push_back(hostile);
    }
  }
  for (std::size_t i = 0; i < variants.size(); ++i) {
    SCOPED_TRACE("variant " + std::to_string(i));
    WriteFileAtomically(damaged, variants[i]);
    const TExtractResult extract = ExtractWindow(damaged, 3, out + ".vmc", 0);
    EXPECT_LE(extract.Images, 3);
    std::filesystem::remove_all(out);
    std::filesystem::create_directory(out);
    try {
      const TExtractResult explode = ExplodeWindow(damaged, 3, out, "Gate");
      EXPECT_EQ(std::int64_t(FilesIn(out).size()), explode.Images);
    } catch (const EStreamEdit&) {
      // a picture damaged inside
    }
    TMultiCaptureReader reader;
    reader.Open(damaged);
    while (!reader.IndexStep(100)) {
    }
    if (CutSpan(reader.FrameIndex(), reader.FileSize(), 1, 1)) {
      const TCutResult cut = CutFrames(damaged, reader.FrameIndex(), reader.FileSize(), 1, 1);
      // The cut changes no type or length field: a fresh walk finds the index it worked out.
      reader.Open(damaged);
      while (!reader.IndexStep(100)) {
      }
      EXPECT_EQ(reader.FileSize(), cut.FileSize);
      EXPECT_EQ(reader.FrameIndex(), cut.FrameIndex);
    }
  }
  // A recording cut short inside its last image: the images before it are extracted.
  WriteFileAtomically(damaged, bytes.substr(0, bytes.size() - 30));
  const TExtractResult shortened = ExtractWindow(damaged, 3, out + ".vmc", 0);
  EXPECT_EQ(shortened.Images, 2);
  EXPECT_TRUE(shortened.DamageAt);
}

}  // namespace
}  // namespace vexilon
