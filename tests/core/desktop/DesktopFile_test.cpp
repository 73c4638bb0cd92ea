#include "core/desktop/DesktopFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/AtomicFile.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CatalogueRules.h"
#include "core/catalogue/WindowlessHost.h"
#include "core/desktop/WindowLayout.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using namespace std::string_literals;

const std::string kHeader = kDesktopFileHeader + "\r\n"s;

TEST(DesktopFile, WritesTheLayoutAndReadsItBack) {
  const TDesktopLine desktop{10, -20, 696, 480, 0, ""};
  const std::vector<TDesktopLine> cameras = {{0, 0, 320, 240, 1, "Outdoor:Harbour"},
                                             {700, 30, 160, 120, 0, "Lobby (east) \"B\""},
                                             {-5, 8, 1, 2, 3, "a:b:c"}};
  const std::string text = FormatDesktopFile(desktop, cameras);
  EXPECT_EQ(text.rfind(kHeader + "LEFT=10 TOP=-20 WIDTH=696 HEIGHT=480\r\nLEFT=0 ", 0), 0u);
  EXPECT_NE(text.find(" STYLE=1 PATH=Outdoor:Harbour\r\n"), std::string::npos);
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // CR LF only

  std::vector<TDesktopLine> expected = cameras;
  expected.insert(expected.begin(),
                  TDesktopLine{10, -20, 696, 480, 1, ""});  // no style written: the default
  EXPECT_EQ(ParseDesktopText(text), expected);

  // A camera without a path would read back as the desktop's own line.
  EXPECT_EQ(FormatDesktopFile(desktop, {{1, 2, 3, 4, 1, ""}}),
            kHeader + "LEFT=10 TOP=-20 WIDTH=696 HEIGHT=480\r\n");
}

TEST(DesktopFile, ParsesLinesOfAnyShapeAfterTheExactHeaderOnly) {
  const std::pair<const char*, TDesktopLine> rows[] = {
      {"PATH=Cams:Gate STYLE=0 HEIGHT=4 WIDTH=3 TOP=2 LEFT=1", {1, 2, 3, 4, 0, "Cams:Gate"}},
      {"PATH=Gate", {0, 0, 0, 0, 1, "Gate"}},
      {"PATH=\"Front door:Cam 1\" LEFT=5", {5, 0, 0, 0, 1, "Front door:Cam 1"}},
      {"LEFT=x TOP=99999999999 WIDTH=-1 STYLE= PATH=G", {0, 0, -1, 0, 1, "G"}},
      {"LEFT=7 PATH=", {7, 0, 0, 0, 1, ""}},
      {"garbage", {0, 0, 0, 0, 1, ""}},
  };
  for (const auto& [line, read] : rows) {
    EXPECT_EQ(ParseDesktopText(kHeader + line), std::vector{read}) << line;
  }
  // Every line end counts, blank lines are not a desktop line, and the count is bounded.
  EXPECT_EQ(ParseDesktopText(kDesktopFileHeader + "\nPATH=a\rPATH=b\r\n\r\n  \nPATH=c"s).size(),
            3u);
  std::string many = kHeader;
  for (std::size_t i = 0; i < kMaxDesktopLines + 5; ++i) many += "PATH=x\r\n";
  EXPECT_EQ(ParseDesktopText(many).size(), kMaxDesktopLines);

  for (const std::string& text :
       {""s, "Vexilon Desktop File \r\nPATH=a"s, "vexilon desktop file\r\n"s,
        "Vexilon Data File\r\n"s, "\r\nVexilon Desktop File\r\n"s}) {
    SCOPED_TRACE(text);
    EXPECT_THAT([&] { ParseDesktopText(text); },
                testing::ThrowsMessage<EDesktopFile>(testing::StrEq(kNotADesktopFile)));
  }
  EXPECT_TRUE(ParseDesktopText(kDesktopFileHeader).empty());
}

TEST(DesktopFile, ReadingRepairsBareLineFeedsAndFailuresNameTheFile) {
  TTempDir dir;
  const std::string file = dir.File("unix.vxd");
  WriteFileAtomically(file, kDesktopFileHeader + "\nLEFT=1 PATH=a\r\nPATH=b\n"s);
  const std::vector<TDesktopLine> lines = ReadDesktopFile(file);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].Path, "b");
  std::string content;
  ASSERT_TRUE(ReadWholeFile(file, content));
  EXPECT_EQ(content, kDesktopFileHeader + "\rLEFT=1 PATH=a\r\nPATH=b\r"s);

  // Another kind of file given as a desktop is refused and left as it was.
  const std::string other = dir.File("other.txt");
  WriteFileAtomically(other, "hello\nworld\n");
  EXPECT_THROW(ReadDesktopFile(other), EDesktopFile);
  ASSERT_TRUE(ReadWholeFile(other, content));
  EXPECT_EQ(content, "hello\nworld\n");

  // Files that cannot be read name themselves.
  const std::string big = dir.File("big.vxd");
  WriteFileAtomically(big, kHeader + std::string(kMaxDesktopFileSize, ' '));
  for (const std::string& file : {dir.File("missing.vxd"), dir.Path(), big}) {
    SCOPED_TRACE(file);
    EXPECT_THAT([&] { ReadDesktopFile(file); },
                testing::ThrowsMessage<EDesktopFile>(testing::HasSubstr(file)));
  }
  EXPECT_THROW(WriteDesktopFile(dir.File("no/such/folder.vxd"), {}, {}), EFileWrite);
}

TEST(DesktopFile, DemoDesktopNamesCamerasOfTheDemoCatalogue) {
  const std::string demo =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().parent_path() /
      "demo/";
  TWindowlessHost host(false);
  TCatalogue catalogue(host, nullptr);
  catalogue.ClearCatalogue(true);
  catalogue.LoadMainFile(demo + "Vexilon.vxc");
  // Read from a copy: reading may repair the file it is given.
  TTempDir dir;
  std::string text;
  ASSERT_TRUE(ReadWholeFile(demo + "VexiDesk.vxd", text));
  WriteFileAtomically(dir.File("demo.vxd"), text);
  const std::vector<TDesktopLine> lines = ReadDesktopFile(dir.File("demo.vxd"));
  ASSERT_EQ(lines.size(), 5u);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const TCamBase* node = FindByPath(*catalogue.FRoot, lines[i].Path);
    EXPECT_TRUE(node != nullptr && node->AsItem() != nullptr) << lines[i].Path;
  }
}

TEST(WindowLayout, AutoFitShrinksStepByStepUntilTheRowsFitAndGivesUpBelowTheFloor) {
  // Six windows of 320 x 240 pictures in frames of 10 x 30: together twice as wide as the area.
  const TFitLayout fitted = FitLayout(std::vector(6, TFitWindow{10, 30, 320, 240}), 990, 400, true);
  // At 0.75 three windows of 250 x 210 make a row, two rows are 420 high: too high.
  // At 0.5625 five of 190 x 165 make a row, two rows are 330 high: the first scale that fits.
  EXPECT_DOUBLE_EQ(fitted.Scale, 0.5625);
  ASSERT_EQ(fitted.Places.size(), 6u);
  EXPECT_EQ(fitted.Places[4], (TLayoutRect{4 * 190, 0, 190, 165}));
  EXPECT_EQ(fitted.Places[5], (TLayoutRect{0, 165, 190, 165}));

  // Enough room: nothing shrinks, and rows break where the next window would pass the edge.
  const std::vector<TFitWindow> mixed = {{0, 0, 100, 50}, {0, 0, 100, 80}, {0, 0, 60, 10}};
  const TFitLayout roomy = FitLayout(mixed, 200, 200, true);
  EXPECT_DOUBLE_EQ(roomy.Scale, 1.0);
  EXPECT_EQ(roomy.Places[2], (TLayoutRect{0, 80, 60, 10}));
  // A window wider than the area stays first in its row and is measured too wide.
  const TFitLayout tiny = FitLayout({{50, 50, 400, 400}}, 40, 40, true);
  EXPECT_LT(tiny.Scale, kFitScaleFloor);
  EXPECT_GE(tiny.Scale, kFitScaleFloor * kFitScaleStep);
  EXPECT_EQ(tiny.Places[0].Left, 0);
  EXPECT_TRUE(FitLayout({}, 10, 10, true).Places.empty());
}

TEST(WindowLayout, ArrangeGivesUpRoomForAScrollBarOnceTheRowsReachTheBottom) {
  const std::vector<TArrangeWindow> windows(5, TArrangeWindow{100, 100});
  // 300 wide: rows of three; the second row starts at the bottom, so a vertical bar takes
  // 20 and leaves rows of two.
  const std::vector<TLayoutRect> places = ArrangeLayout(windows, 300, 100, 20, 20);
  ASSERT_EQ(places.size(), 5u);
  EXPECT_EQ(places[1], (TLayoutRect{100, 0, 100, 100}));
  EXPECT_EQ(places[2], (TLayoutRect{0, 100, 100, 100}));
  EXPECT_EQ(places[4], (TLayoutRect{0, 200, 100, 100}));
  // With room enough the sizes are kept and the rows stay full.
  const std::vector<TLayoutRect> roomy = ArrangeLayout(windows, 300, 1000, 20, 20);
  EXPECT_EQ(roomy[2], (TLayoutRect{200, 0, 100, 100}));
  EXPECT_EQ(roomy[3], (TLayoutRect{0, 100, 100, 100}));
}

}  // namespace
}  // namespace vexilon
