#include "core/desktop/DesktopFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/app/AtomicFile.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/CatalogueRules.h"
#include "core/catalogue/WindowlessHost.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using namespace std::string_literals;

const std::string kHeader = kDesktopFileHeader + "\r\n"s;

TDesktopLine Camera(int left, int top, int width, int height, int style, const std::string& path) {
  return {left, top, width, height, style, path};
}

TEST(DesktopFile, WritesTheLayoutAndReadsItBack) {
  const TDesktopLine desktop{10, -20, 696, 480, 1, ""};
  const std::vector<TDesktopLine> cameras = {Camera(0, 0, 320, 240, 1, "Outdoor:Harbour"),
                                             Camera(700, 30, 160, 120, 0, "Lobby (east) \"B\""),
                                             Camera(-5, 8, 1, 2, 3, "a:b:c")};
  const std::string text = FormatDesktopFile(desktop, cameras);
  EXPECT_EQ(text.rfind(kHeader + "LEFT=10 TOP=-20 WIDTH=696 HEIGHT=480\r\nLEFT=0 ", 0), 0u);
  EXPECT_NE(text.find(" STYLE=1 PATH=Outdoor:Harbour\r\n"), std::string::npos);
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // CR LF only

  std::vector<TDesktopLine> expected = {desktop};
  expected[0].Style = 1;  // the desktop line carries no style: read as the default
  expected.insert(expected.end(), cameras.begin(), cameras.end());
  EXPECT_EQ(ParseDesktopText(text), expected);

  // A camera without a path would read back as the desktop's own line.
  EXPECT_EQ(FormatDesktopFile(desktop, {Camera(1, 2, 3, 4, 1, "")}),
            kHeader + "LEFT=10 TOP=-20 WIDTH=696 HEIGHT=480\r\n");
}

TEST(DesktopFile, ParsesLinesOfAnyShape) {
  struct TRow {
    const char* Line;
    TDesktopLine Read;
  } rows[] = {
      {"PATH=Cams:Gate STYLE=0 HEIGHT=4 WIDTH=3 TOP=2 LEFT=1", {1, 2, 3, 4, 0, "Cams:Gate"}},
      {"PATH=Gate", {0, 0, 0, 0, 1, "Gate"}},
      {"PATH=\"Front door:Cam 1\" LEFT=5", {5, 0, 0, 0, 1, "Front door:Cam 1"}},
      {"LEFT=x TOP=99999999999 WIDTH=-1 STYLE= PATH=G", {0, 0, -1, 0, 1, "G"}},
      {"LEFT=7 PATH=", {7, 0, 0, 0, 1, ""}},
      {"garbage", {0, 0, 0, 0, 1, ""}},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Line);
    const std::vector<TDesktopLine> lines = ParseDesktopText(kHeader + row.Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], row.Read);
  }
  // Every line end counts, blank lines are not a desktop line, and the count is bounded.
  EXPECT_EQ(ParseDesktopText(kDesktopFileHeader + "\nPATH=a\rPATH=b\r\n\r\n  \nPATH=c"s).size(),
            3u);
  std::string many = kHeader;
  for (std::size_t i = 0; i < kMaxDesktopLines + 5; ++i) many += "PATH=x\r\n";
  EXPECT_EQ(ParseDesktopText(many).size(), kMaxDesktopLines);
}

TEST(DesktopFile, RefusesAnythingButTheExactHeader) {
  for (const std::string& text :
       {""s, "Vexilon Desktop File \r\nPATH=a"s, "vexilon desktop file\r\n"s,
        "Vexilon Data File\r\n"s, "\r\nVexilon Desktop File\r\n"s}) {
    SCOPED_TRACE(text);
    try {
      ParseDesktopText(text);
      ADD_FAILURE() << "accepted";
    } catch (const EDesktopFile& e) {
      EXPECT_STREQ(e.what(), kNotADesktopFile);
    }
  }
  EXPECT_TRUE(ParseDesktopText(kDesktopFileHeader).empty());
}

TEST(DesktopFile, ReadingRepairsBareLineFeedsInTheFile) {
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
}

TEST(DesktopFile, FilesThatCannotBeReadNameThemselves) {
  TTempDir dir;
  const std::string big = dir.File("big.vxd");
  WriteFileAtomically(big, kHeader + std::string(kMaxDesktopFileSize, ' '));
  for (const std::string& file : {dir.File("missing.vxd"), dir.Path(), big}) {
    SCOPED_TRACE(file);
    try {
      ReadDesktopFile(file);
      ADD_FAILURE() << "read";
    } catch (const EDesktopFile& e) {
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
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

}  // namespace
}  // namespace vexilon
