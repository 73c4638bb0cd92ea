#include "core/playback/PlaybackCursor.h"

#include <gtest/gtest.h>

#include <vector>

namespace vexilon {
namespace {

// Plays until the cursor stops or shows nothing more, collecting the frame indexes shown.
std::vector<int> PlayOut(TPlaybackCursor& cursor, int frames) {
  std::vector<int> shown;
  for (auto index = cursor.Play(frames, false); index; index = cursor.Advance(frames, false)) {
    shown.push_back(*index);
    if (!cursor.Playing()) break;
  }
  return shown;
}

TEST(PlaybackCursor, PlayShowsEveryFrameOnceFromTheFirstThenStopsUntilRewound) {
  TPlaybackCursor cursor;
  cursor.SetMaximum(4);
  // After opening the first frame is on display at position 0; Play shows it as frame 1.
  EXPECT_EQ(PlayOut(cursor, 4), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_FALSE(cursor.Playing());
  EXPECT_EQ(cursor.Position(), 4);

  EXPECT_EQ(cursor.Play(4, false), std::nullopt);
  EXPECT_FALSE(cursor.Playing());
  EXPECT_EQ(cursor.Position(), 4);

  cursor.Rewind();
  EXPECT_EQ(cursor.Position(), 0);
  EXPECT_EQ(cursor.Play(4, false), 0);
  EXPECT_EQ(cursor.Advance(4, false), 1);
  EXPECT_EQ(cursor.Advance(4, false), 2);
  EXPECT_TRUE(cursor.Playing());
  EXPECT_EQ(cursor.Advance(4, false), 3);
  EXPECT_FALSE(cursor.Playing()) << "stops on the last frame, not a tick later";
  cursor.Play(4, false);
  cursor.Rewind();
  EXPECT_FALSE(cursor.Playing());
}

TEST(PlaybackCursor, StepsBackToTheFirstFrameAndNoFurther) {
  TPlaybackCursor cursor;
  cursor.SetMaximum(3);
  EXPECT_EQ(cursor.Advance(3, false), 0);
  EXPECT_EQ(cursor.Advance(3, false), 1);
  EXPECT_EQ(cursor.Advance(3, false), 2);
  EXPECT_EQ(cursor.Advance(3, false), std::nullopt);
  EXPECT_EQ(cursor.BackOne(), 1);
  EXPECT_EQ(cursor.BackOne(), 0);
  EXPECT_EQ(cursor.Position(), 1);
  // At position 1 the first frame shows again and the position becomes 0.
  EXPECT_EQ(cursor.BackOne(), 0);
  EXPECT_EQ(cursor.Position(), 0);
  EXPECT_EQ(cursor.BackOne(), std::nullopt);
  EXPECT_EQ(cursor.Position(), 0);
}

TEST(PlaybackCursor, WhileIndexingPlayWaitsAtTheLastIndexedFrameForMore) {
  TPlaybackCursor cursor;
  cursor.SetMaximum(1);
  EXPECT_EQ(cursor.Play(1, true), 0);
  EXPECT_TRUE(cursor.Playing());
  EXPECT_EQ(cursor.Advance(1, true), std::nullopt);
  EXPECT_TRUE(cursor.Playing()) << "waits for the index to grow";
  EXPECT_EQ(cursor.Advance(3, true), 1);
  EXPECT_EQ(cursor.Maximum(), 3);
  EXPECT_EQ(cursor.Advance(3, true), 2);
  EXPECT_TRUE(cursor.Playing());
  // The index is complete: the end is the end.
  EXPECT_EQ(cursor.Advance(3, false), std::nullopt);
  EXPECT_FALSE(cursor.Playing());
}

TEST(PlaybackCursor, MovesAndStepsStayWithinTheIndex) {
  TPlaybackCursor cursor;
  cursor.SetMaximum(10);
  cursor.MoveTo(25);
  EXPECT_EQ(cursor.Position(), 10);
  cursor.MoveTo(-1);
  EXPECT_EQ(cursor.Position(), 0);
  cursor.MoveTo(7);
  cursor.SetMaximum(5);  // a shorter file opened
  EXPECT_EQ(cursor.Position(), 5);
  EXPECT_EQ(cursor.Advance(5, false), std::nullopt);
  cursor.Reset();
  EXPECT_EQ(cursor.Advance(0, false), std::nullopt);
  EXPECT_EQ(cursor.BackOne(), std::nullopt);
}

}  // namespace
}  // namespace vexilon
