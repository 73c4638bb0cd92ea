#include "core/capture/MultiCaptureSettings.h"

#include <gtest/gtest.h>

namespace vexilon {
namespace {

TEST(MultiCaptureSettings, UserButtonLinesRoundTripAndReadMissingValuesAsQuickSettingA) {
  const TMultiCaptureSettings saved{1000, 50, 0, 1, 1, 3};
  EXPECT_EQ(FormatUserSettings(saved),
            "DELAY=1000 COUNT=50 STYLE=0 CLIPMODE=1 FILEMODE=1 FILELIMIT=3");
  EXPECT_EQ(ParseUserSettings(FormatUserSettings(saved)), saved);
  EXPECT_EQ(ParseUserSettings(""), (TMultiCaptureSettings{250, 0, 1, 0, 0, 0}));
  EXPECT_EQ(ParseUserSettings("DELAY=fast COUNT=7"), (TMultiCaptureSettings{250, 7, 1, 0, 0, 0}));
  // Held to what the dialog offers.
  EXPECT_EQ(ParseUserSettings("DELAY=-5 COUNT=10001 STYLE=2 CLIPMODE=4 FILEMODE=-1 FILELIMIT=-3"),
            (TMultiCaptureSettings{0, 10000, 0, 0, 0, 0}));
}

TEST(MultiCaptureSettings, ButtonCaptionsSayWhatTheButtonRecords) {
  const struct {
    int Number;
    const char* Line;
    const char* Caption;
  } rows[] = {
      {2, "DELAY=1000 COUNT=50 STYLE=0 CLIPMODE=1 FILEMODE=1 FILELIMIT=3",
       "#&2: 1000ms, 50 frames, 3 times, .jpg"},
      {1, "DELAY=250 COUNT=2 STYLE=1 CLIPMODE=2 FILEMODE=0 FILELIMIT=3",
       "#&1: 250ms, 2mb, repeat, .vmc"},
      {3, "DELAY=10 COUNT=5 STYLE=1 CLIPMODE=3 FILEMODE=1 FILELIMIT=0",
       "#&3: 10ms, 5min, repeat, .vmc"},
      {4, "DELAY=10 COUNT=0 STYLE=1 CLIPMODE=3 FILEMODE=1 FILELIMIT=4",
       "#&4: 10ms, unlimited, .vmc"},
      {4, "DELAY=10 COUNT=9 STYLE=0 CLIPMODE=0 FILEMODE=1 FILELIMIT=4",
       "#&4: 10ms, unlimited, .jpg"},
  };
  for (const auto& row : rows) EXPECT_EQ(UserSettingsCaption(row.Number, row.Line), row.Caption);
}

}  // namespace
}  // namespace vexilon
