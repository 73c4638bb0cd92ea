#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/app/AtomicFile.h"
#include "core/capture/DayCount.h"
#include "core/capture/MultiCaptureReader.h"
#include "core/capture/MultiCaptureWriter.h"
#include "core/capture/VmcFiles.h"
#include "support/KilledChild.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

const system_clock::time_point kStart = DayCountToTime(45351.5);
const std::string kJpeg = "\xFF\xD8 picture \xFF\xD9";

// Indexes in slices of one record, checking that every slice makes progress.
void IndexAll(TMultiCaptureReader& reader) {
  for (std::int64_t steps = 0; !reader.IndexStep(1); ++steps)
    ASSERT_LE(steps, reader.FileSize() / 8 + 1) << "the walk does not end";
}

TEST(MultiCaptureWriter, ByteLayoutOfARecordingAndOfAnEmptyFile) {
  TTempDir folder;
  TMultiCaptureWriter writer;
  writer.Create(folder.File("one.vmc"), 23);
  writer.AppendFrame(kStart + milliseconds(250));
  writer.AppendImage(kImageBreak, {0, 0, 322, 265}, 3, "Door", kJpeg);
  const std::int64_t payload = 28 + 4 + std::int64_t(kJpeg.size());
  EXPECT_EQ(writer.BytesWritten(), 4 + 12 + 20 + 8 + payload);
  EXPECT_EQ(std::int64_t(std::filesystem::file_size(folder.File("one.vmc"))),
            writer.BytesWritten());
  writer.Close();
  EXPECT_FALSE(writer.IsOpen());
  EXPECT_EQ(FileBytes(folder.File("one.vmc")),
            ".vmc" + Le32(4) + Le32(8) + Le32(23) +                                  //
                Le32(1) + Le32(16) + Le32(1) + Le64(45351.5 + 250.0 / 86'400'000) +  //
                Le32(2) + Le32(std::int32_t(payload + 4)) + Le32(1) + Le32(0) + Le32(0) +
                Le32(322) + Le32(265) + Le32(3) + Le32(4) + "Door" + kJpeg + Le32(0));

  // A desktop capture that never saw a changed picture; the destructor writes the end mark.
  {
    TMultiCaptureWriter empty;
    empty.Create(folder.File("empty.vmc"));
    EXPECT_EQ(empty.BytesWritten(), 4);
  }
  EXPECT_EQ(FileBytes(folder.File("empty.vmc")), std::string(".vmc\0\0\0\0", 8));
}

TEST(MultiCaptureWriter, FailuresThrowAReadableError) {
  TTempDir folder;
  TMultiCaptureWriter writer;
  EXPECT_THROW(writer.Create(folder.File("missing/a.vmc")), EFileWrite);
  EXPECT_THROW(writer.AppendFrame(kStart), EFileWrite);

  // A picture too large for readers is refused and the file goes on.
  writer.Create(folder.File("big.vmc"));
  writer.AppendFrame(kStart);
  EXPECT_THROW(writer.AppendImage(0, {}, 1, "", std::string(kMaxImagePayload - 27, 'x')),
               EFileWrite);
  writer.AppendImage(0, {}, 1, "", kJpeg);
  writer.Close();
  EXPECT_EQ(ReadBack(folder.File("big.vmc")).Frames.at(0).Images.size(), 1u);

  // A full disk: the write fails, the message says why and the file is closed.
  writer.Create("/dev/full");
  writer.AppendFrame(kStart);
  EXPECT_THAT([&] { writer.AppendImage(0, {}, 1, "Cam", kJpeg); },
              testing::ThrowsMessage<EFileWrite>(testing::HasSubstr("/dev/full")));
  EXPECT_FALSE(writer.IsOpen());
}

TEST(MultiCaptureReader, RoundTripOfFramesWithSeveralImages) {
  TTempDir folder;
  const std::string path = folder.File("desk.vmc");
  std::vector<std::vector<TCaptureImage>> frames = {
      {{0, {10, 20, 330, 290}, 1, "Gate", kJpeg}, {0, {400, 0, 722, 265}, 2, "", "\xFF\xD8"}},
      {{kImageBreak, {0, 0, 2, 2}, 3, "No picture", ""}},
      {{0, {1, 2, 3, 4}, 1, "Gate", ""}, {0, {}, 2, "", kJpeg}, {kImageBreak, {}, 3, "", ""}},
  };
  {
    TMultiCaptureWriter writer;
    writer.Create(path, 30);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      writer.AppendFrame(kStart + milliseconds(1500 * i));
      for (const TCaptureImage& image : frames[i]) writer.AppendImage(image);
    }
    EXPECT_EQ(writer.FramesWritten(), 3);
  }
  TMultiCaptureReader reader;
  reader.Open(path);
  IndexAll(reader);
  EXPECT_FALSE(reader.Damaged());
  EXPECT_EQ(reader.CaptionHeight(), 30);
  ASSERT_EQ(reader.FrameIndex().size(), frames.size());
  EXPECT_EQ(reader.FrameIndex()[0], 4 + 12 + 4);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const TCaptureFrame frame = reader.ReadFrame(i);
    EXPECT_EQ(frame.FrameNumber, std::int32_t(i + 1));
    EXPECT_EQ(frame.Time, kStart + milliseconds(1500 * i));
    EXPECT_EQ(frame.Images, frames[i]);
    EXPECT_FALSE(frame.CaptionHeight);
    if (i + 1 < frames.size()) {
      EXPECT_EQ(frame.NextTime, kStart + milliseconds(1500 * (i + 1)));
      EXPECT_EQ(frame.NextFlags, frames[i + 1][0].Flags);
    } else {
      EXPECT_FALSE(frame.NextTime);
      EXPECT_FALSE(frame.NextFlags);
    }
  }
  EXPECT_THROW(reader.ReadFrame(3), EMultiCaptureRead);
  // The player reopens an edited file with the index the edit made, up to its first bad entry.
  std::vector<std::int64_t> known = reader.FrameIndex();
  known.push_back(known.back());
  TMultiCaptureReader reopened;
  reopened.OpenIndexed(path, known);
  EXPECT_EQ(reopened.FrameIndex(), reader.FrameIndex());
  EXPECT_EQ(reopened.ReadFrame(2).Images, frames[2]);
  EXPECT_THROW(reader.Open(folder.Path()), EMultiCaptureRead);
  EXPECT_THROW(reader.Open(folder.File("missing.vmc")), EMultiCaptureRead);
}

TEST(MultiCaptureReader, RecordsAfterAFrame) {
  TTempDir folder;
  const std::string path = folder.File("mixed.vmc");
  // An unknown record is skipped while indexing but ends a frame; a caption height after a
  // frame reaches the player; the end mark ends everything after it.
  WriteFileAtomically(path, "XXXX" + FrameRecord(1) + ImageRecord(0, 7, "a", kJpeg) +
                                Record(9, "junk") + FrameRecord(2) + ImageRecord(0, 7, "b", kJpeg) +
                                Record(4, Le32(17)) + FrameRecord(3) + Le32(0) + FrameRecord(4));
  TMultiCaptureReader reader;
  reader.Open(path);
  IndexAll(reader);
  ASSERT_EQ(reader.FrameIndex().size(), 3u);
  EXPECT_EQ(reader.CaptionHeight(), 17);
  const TCaptureFrame first = reader.ReadFrame(0), second = reader.ReadFrame(1);
  ASSERT_EQ(first.Images.size(), 1u);
  EXPECT_EQ(first.Images[0].Name, "a");
  EXPECT_FALSE(first.NextTime);
  EXPECT_EQ(second.CaptionHeight, 17);
  EXPECT_FALSE(second.NextTime);
  EXPECT_TRUE(reader.ReadFrame(2).Images.empty());
}

TEST(MultiCaptureReader, AFileCutOffIsReadUpToTheDamage) {
  TTempDir folder;
  const std::string whole = folder.File("whole.vmc");
  {
    TMultiCaptureWriter writer;
    writer.Create(whole, 20);
    for (int i = 0; i < 3; ++i) {
      writer.AppendFrame(kStart + milliseconds(40 * i));
      writer.AppendImage(i == 2 ? kImageBreak : 0, {}, 1, "Cam", kJpeg);
    }
  }
  const std::string bytes = FileBytes(whole);
  const std::size_t image = 8 + 28 + 3 + kJpeg.size();
  const std::size_t third = bytes.size() - 4 - image - 20;  // the third frame's type field
  struct TRow {
    std::size_t Size;
    std::size_t Frames;  // indexed
    bool Damaged;        // the walk stopped at a record it could not follow
    bool LastReads;      // the last indexed frame can be read
    bool NextTime;       // frame 2 learns frame 3's time stamp
    bool NextFlags;      // and its first image's flags
  };
  const TRow rows[] = {
      {bytes.size() - 4, 3, false, true, true, true},           // no end mark
      {bytes.size() - 5, 3, true, false, true, false},          // inside the last image
      {third + 20 + 6, 3, true, false, true, false},            // inside the last image's length
      {third + 20, 3, false, true, true, false},                // a frame without images
      {third + 10, 3, true, false, false, false},               // inside the frame record
      {third + 4, 3, true, false, false, false},                // only its type is left
      {third + 2, 2, false, true, false, false},                // inside its type
      {4 + 12 + 20 + image - 1, 1, true, false, false, false},  // inside the first image
      {3, 0, false, false, false, false},                       // not even the magic
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Size);
    const std::string path = folder.File("cut.vmc");
    WriteFileAtomically(path, bytes.substr(0, row.Size));
    TMultiCaptureReader reader;
    reader.Open(path);
    IndexAll(reader);
    ASSERT_EQ(reader.FrameIndex().size(), row.Frames);
    EXPECT_EQ(reader.Damaged(), row.Damaged);
    if (row.Frames == 0) continue;
    if (row.LastReads)
      EXPECT_NO_THROW(reader.ReadFrame(row.Frames - 1));
    else
      EXPECT_THROW(reader.ReadFrame(row.Frames - 1), EMultiCaptureRead);
    if (row.Frames < 3) continue;
    const TCaptureFrame second = reader.ReadFrame(1);
    EXPECT_EQ(second.Images.size(), 1u);
    EXPECT_EQ(second.NextTime.has_value(), row.NextTime);
    EXPECT_EQ(second.NextFlags.has_value(), row.NextFlags);
    EXPECT_EQ(second.NextFlags.value_or(kImageBreak), kImageBreak);
  }
}

// A recorder killed without warning, mid-record, leaves a file that plays up to its last
// whole record.
TEST(MultiCaptureWriter, KilledMidRecordingLeavesAPlayableFile) {
  TTempDir folder;
  const std::string path = folder.File("killed.vmc");
  const std::string jpeg = "\xFF\xD8" + std::string(4093, 'j') + "\xFF\xD9";
  ASSERT_TRUE(RunAndKill(
      [&] {
        TMultiCaptureWriter writer;
        writer.Create(path, 20);
        for (int i = 0;; ++i) {
          writer.AppendFrame(kStart + milliseconds(40 * i));
          writer.AppendImage(0, {}, 1, "Cam", jpeg);
        }
      },
      [&] {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        return !error && size > (std::uintmax_t(2) << 20);
      }));
  TMultiCaptureReader reader;
  reader.Open(path);
  IndexAll(reader);
  const std::size_t frames = reader.FrameIndex().size();
  ASSERT_GT(frames, 400u);
  for (std::size_t i = 0; i + 1 < frames; ++i) {
    const TCaptureFrame frame = reader.ReadFrame(i);
    ASSERT_EQ(frame.Images.size(), 1u) << i;
    ASSERT_EQ(frame.Images[0].Jpeg, jpeg) << i;
  }
}

TEST(MultiCaptureReader, HostileLengthsNeverCrashHangOrAllocate) {
  TTempDir folder;
  const std::string good = ".vmc" + FrameRecord(1) + ImageRecord(0, 7, "Cam", kJpeg) + Le32(0);
  const std::size_t frameLength = 8, imageLength = 4 + 20 + 4, nameLength = imageLength + 28;
  const std::int32_t nameRoom = 3 + std::int32_t(kJpeg.size());
  struct TRow {
    std::size_t At;
    std::int32_t Value;
  };
  // Every one leaves one frame that cannot be read.
  const TRow rows[] = {
      {frameLength, 0},          {frameLength, 3},           {frameLength, -16},
      {frameLength, 15},         {frameLength, 0x7fffffff},  {imageLength, 4},
      {imageLength, 31},         {imageLength, -1},          {imageLength, 0x7ffffff0},
      {nameLength, -1},          {nameLength, nameRoom + 1}, {nameLength, 0x7fffffff},
      {nameLength, -0x7fffffff},
  };
  const std::string path = folder.File("bad.vmc");
  // The file holds one frame, which cannot be read.
  const auto expectUnreadable = [&] {
    TMultiCaptureReader reader;
    reader.Open(path);
    IndexAll(reader);
    ASSERT_EQ(reader.FrameIndex().size(), 1u);
    EXPECT_THROW(reader.ReadFrame(0), EMultiCaptureRead);
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(testing::Message() << row.At << " = " << row.Value);
    std::string bytes = good;
    WriteFileAtomically(path, bytes.replace(row.At, 4, Le32(row.Value)));
    expectUnreadable();
  }
  // A length past the cap, within a (sparse) file large enough to hold it, is not followed.
  WriteFileAtomically(path, ".vmc" + FrameRecord(1) + Le32(2) + Le32(kMaxImagePayload + 5));
  ASSERT_EQ(::truncate(path.c_str(), kMaxImagePayload + 64), 0);
  expectUnreadable();
  // Nor does a frame load more images than any desktop has windows.
  std::string crowded = ".vmc" + FrameRecord(1);
  for (int i = 0; i <= kMaxImagesPerFrame; ++i) crowded += ImageRecord(0, 7, "Cam", kJpeg);
  WriteFileAtomically(path, crowded + Le32(0));
  expectUnreadable();
}

}  // namespace
}  // namespace vexilon
