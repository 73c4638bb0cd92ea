#include "core/catalogue/Favorites.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "core/app/AtomicFile.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

// The tree in a compact form of its own: "name=value" for a favorite, "[name|...]" for a
// folder, siblings separated by ",".
std::string Describe(const TFavoriteList& list) {
  std::string text;
  for (const auto& f : list) {
    if (!text.empty()) text += ',';
    text += f->IsFolder ? "[" + f->Name + "|" + Describe(f->Items) + "]" : f->Name + "=" + f->Value;
  }
  return text;
}

// How deep the first folder of each level goes.
std::size_t Depth(const TFavoriteList& list) {
  std::size_t depth = 0;
  const TFavoriteList* level = &list;
  while (!level->empty() && level->front()->IsFolder) {
    ++depth;
    level = &level->front()->Items;
  }
  return depth;
}

std::string HeaderLine() {
  return std::string(kFavoritesHeader) + "\r\n";
}

TFavoriteList LoadText(const std::string& content) {
  TTempDir dir;
  WriteFileAtomically(dir.File("f.vxf"), content);
  TFavoriteList list;
  LoadFavorites(dir.File("f.vxf"), list);
  return list;
}

struct TReadCase {
  const char* Name;
  std::string Body;  // after the header line
  std::string Expected;
};

void PrintTo(const TReadCase& c, std::ostream* out) {
  *out << c.Name;
}

class FavoritesRead : public ::testing::TestWithParam<TReadCase> {};

TEST_P(FavoritesRead, Reads) {
  EXPECT_EQ(Describe(LoadText(HeaderLine() + GetParam().Body)), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FavoritesRead,
    ::testing::Values(
        TReadCase{"Example", "Gate=Outdoor:Gate\r\n[Town]\r\nSquare=City:Square\r\n[]\r\n",
                  "Gate=Outdoor:Gate,[Town|Square=City:Square]"},
        TReadCase{"LineFeeds", "a=1\n[F]\nb=2\n[]\nc=3", "a=1,[F|b=2],c=3"},
        TReadCase{"LoneReturns", "a=1\r[F]\rb=2\r[]\rc=3\r", "a=1,[F|b=2],c=3"},
        TReadCase{"MixedEndsAndBlankLines", "a=1\r\n\r\n\n\r[F]\n\rb=2\r\n[]", "a=1,[F|b=2]"},
        TReadCase{"UnclosedFolderTakesTheRest", "[A]\nx=1\n[B]\ny=2\n[]\nz=3",
                  "[A|x=1,[B|y=2],z=3]"},
        TReadCase{"BracketsWinOverEquals", "[a=b]\n[]\na=b=c", "[a=b|],a=b=c"},
        TReadCase{"EmptyNameAndValue", "=v\nn=\n=", "=v,n=,="},
        TReadCase{"IgnoredLines", "plain\n[\n]\n[x\n x]\n [A]\n[x=1", "[x=1"},
        TReadCase{"DuplicatesKept", "a=1\na=1\n[F]\n[]\n[F]\n[]", "a=1,a=1,[F|],[F|]"},
        TReadCase{"FolderNamedByInnerBrackets", "[[]]\n[]]\n[]\n[]", "[[]|[]|]]"},
        TReadCase{"TopLevelCloseEndsTheFile", "a=1\n[]\nb=2\n[F]\n[]", "a=1"},
        TReadCase{"NulBytes", std::string("a\0b=c\0d\n", 8), std::string("a\0b=c\0d", 7)},
        TReadCase{"HeaderOnly", "", ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Favorites, HeaderMustMatchExactly) {
  EXPECT_EQ(Describe(LoadText("Vexilon Favorites File\na=1")), "a=1");
  EXPECT_EQ(Describe(LoadText("Vexilon Favorites File")), "");
  for (const char* header : {"", "vexilon favorites file", "Vexilon Favorites File ",
                             "\xEF\xBB\xBFVexilon Favorites File", "a=1"})
    EXPECT_EQ(Describe(LoadText(std::string(header) + "\r\na=1\r\n")), "") << header;
}

TEST(Favorites, LoadEmptiesTheListFirst) {
  TTempDir dir;
  TFavoriteList list = LoadText(HeaderLine() + "a=1\r\n");
  ASSERT_EQ(list.size(), 1u);
  LoadFavorites(dir.File("missing.vxf"), list);
  EXPECT_TRUE(list.empty());
  list = LoadText(HeaderLine() + "a=1\r\n");
  LoadFavorites(dir.Path(), list);  // a folder is no favorites file
  EXPECT_TRUE(list.empty());
}

TEST(Favorites, FormatWritesCrLfAndLeavesOutUnnamedFolders) {
  TFavoriteList list = LoadText(HeaderLine() + "Gate=Outdoor:Gate\n[Town]\nSquare=City:Square\n" +
                                "[]\n[Empty]\n[]\n[Lost]\nhidden=x\n[Inner]\n[]\n[]\nlast=y\n");
  list[3]->Name.clear();  // a folder renamed to nothing in the organiser
  EXPECT_EQ(FormatFavorites(list),
            "Gate=Outdoor:Gate\r\n[Town]\r\nSquare=City:Square\r\n[]\r\n[Empty]\r\n[]\r\n"
            "last=y\r\n");
  EXPECT_EQ(FormatFavorites({}), "");
}

TEST(Favorites, WriteThenLoadGivesTheSameTree) {
  const std::string body =
      "a=Outdoor:Gate\r\n[F]\r\n[G]\r\nb=x=y\r\n[]\r\n[a=b]\r\n[]\r\nc=\r\n[]\r\n=z\r\n";
  TFavoriteList list = LoadText(HeaderLine() + body);
  TTempDir dir;
  std::string file = dir.File("Vexilon.vxf");
  WriteFavoritesFile(file, list);
  std::string written;
  ASSERT_TRUE(ReadWholeFile(file, written));
  EXPECT_EQ(written, HeaderLine() + body);
  TFavoriteList reread;
  LoadFavorites(file, reread);
  EXPECT_EQ(Describe(reread), Describe(list));
  EXPECT_THROW(WriteFavoritesFile(dir.File("no/such/f.vxf"), list), EFileWrite);
}

TEST(Favorites, CopyIsDeepAndIndependent) {
  TFavoriteList list = LoadText(HeaderLine() + "a=1\n[F]\n[G]\nb=2\n[]\n[]\n[E]\n[]\nc=3\n");
  TFavoriteList copy = CopyFavorites(list);
  EXPECT_EQ(Describe(copy), Describe(list));
  copy[1]->Items[0]->Items[0]->Value = "changed";
  copy[1]->Items[0]->Name = "H";
  EXPECT_EQ(Describe(list), "a=1,[F|[G|b=2]],[E|],c=3");
  EXPECT_TRUE(copy[2]->IsFolder);
  EXPECT_TRUE(copy[2]->Items.empty());
}

TEST(Favorites, DeepNestingIsFlattenedAtTheLimit) {
  const std::size_t levels = 100000;
  std::string text = HeaderLine();
  for (std::size_t i = 0; i < levels; ++i) text += "[f]\r\n";
  text += "deep=1\r\n";
  for (std::size_t i = 0; i < levels; ++i) text += "[]\r\n";
  text += "after=2\r\n";
  TFavoriteList list = LoadText(text);
  EXPECT_EQ(Depth(list), kMaxFavoritesDepth);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1]->Name, "after");
  const TFavoriteList* level = &list;
  for (std::size_t i = 0; i < kMaxFavoritesDepth; ++i) level = &level->front()->Items;
  ASSERT_EQ(level->size(), 1u);
  EXPECT_EQ(level->front()->Name, "deep");
  // What is written reads back as it was.
  std::string formatted = FormatFavorites(list);
  EXPECT_EQ(FormatFavorites(LoadText(HeaderLine() + formatted)), formatted);
  EXPECT_EQ(FormatFavorites(CopyFavorites(list)), formatted);
}

TEST(Favorites, NestingUpToTheLimitIsKept) {
  std::string text = HeaderLine();
  for (std::size_t i = 0; i < kMaxFavoritesDepth; ++i) text += "[f]\n";
  EXPECT_EQ(Depth(LoadText(text)), kMaxFavoritesDepth);
  EXPECT_EQ(Depth(LoadText(text + "[g]\n")), kMaxFavoritesDepth);
}

TEST(Favorites, LongLinesAreRead) {
  std::string value(3 << 20, 'v');
  TFavoriteList list = LoadText(HeaderLine() + "long=" + value + "\r\n[" + value + "]\r\n");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->Value, value);
  EXPECT_EQ(list[1]->Name, value);
}

TEST(Favorites, OversizedOrUnreadableFileIsAnError) {
  TTempDir dir;
  std::string file = dir.File("big.vxf");
  WriteFileAtomically(file, HeaderLine());
  std::filesystem::resize_file(file, kMaxFavoritesFileSize + 1);
  TFavoriteList list;
  EXPECT_THROW(LoadFavorites(file, list), std::runtime_error);
  if (::geteuid() != 0) {  // root reads anything
    std::filesystem::resize_file(file, 100);
    ::chmod(file.c_str(), 0);
    try {
      LoadFavorites(file, list);
      FAIL() << "an unreadable file was read";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("big.vxf"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace vexilon
