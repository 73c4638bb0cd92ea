#include "core/catalogue/Favorites.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "core/app/AtomicFile.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

using namespace std::string_literals;

const std::string kHeader = kFavoritesHeader + "\r\n"s;

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

TFavoriteList LoadText(const std::string& content) {
  TTempDir dir;
  WriteFileAtomically(dir.File("f.vxf"), content);
  TFavoriteList list;
  LoadFavorites(dir.File("f.vxf"), list);
  return list;
}

TEST(Favorites, ReadsLines) {
  const std::string h = kHeader;
  struct Case {
    std::string text, expected;
  } cases[] = {
      {h + "Gate=Outdoor:Gate\r\n[Town]\r\nSquare=City:Square\r\n[]\r\n",
       "Gate=Outdoor:Gate,[Town|Square=City:Square]"},
      {h + "a=1\n[F]\nb=2\n[]\nc=3", "a=1,[F|b=2],c=3"},
      {h + "a=1\r[F]\rb=2\r[]\rc=3\r", "a=1,[F|b=2],c=3"},
      {h + "a=1\r\n\r\n\n\r[F]\n\rb=2\r\n[]", "a=1,[F|b=2]"},
      {h + "[A]\nx=1\n[B]\ny=2\n[]\nz=3", "[A|x=1,[B|y=2],z=3]"},  // unclosed takes the rest
      {h + "[a=b]\n[]\na=b=c", "[a=b|],a=b=c"},                    // brackets win over "="
      {h + "=v\nn=\n=", "=v,n=,="},
      {h + "plain\n[\n]\n[x\n x]\n [A]\n[x=1", "[x=1"},  // lines that are neither are ignored
      {h + "a=1\na=1\n[F]\n[]\n[F]\n[]", "a=1,a=1,[F|],[F|]"},
      {h + "[[]]\n[]]\n[]\n[]", "[[]|[]|]]"},
      {h + "a=1\n[]\nb=2\n[F]\n[]", "a=1"},  // a top-level close ends the file
      {h + "a\0b=c\0d\n"s, "a\0b=c\0d"s},
      {"Vexilon Favorites File\na=1", "a=1"},
      {"Vexilon Favorites File", ""},
      // The header must match exactly.
      {"", ""},
      {"vexilon favorites file\r\na=1", ""},
      {"Vexilon Favorites File \r\na=1", ""},
      {"\xEF\xBB\xBFVexilon Favorites File\r\na=1", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(LoadText(c.text)), c.expected) << c.text;
}

TEST(Favorites, WriteLoadAndCopyKeepTheTree) {
  const std::string body =
      "a=Outdoor:Gate\r\n[F]\r\n[G]\r\nb=x=y\r\n[]\r\n[a=b]\r\n[]\r\nc=\r\n[]\r\n[E]\r\n[]\r\n"
      "=z\r\n";
  TFavoriteList list = LoadText(kHeader + body);
  TTempDir dir;
  std::string file = dir.File("Vexilon.vxf");
  WriteFavoritesFile(file, list);
  std::string written;
  ASSERT_TRUE(ReadWholeFile(file, written));
  EXPECT_EQ(written, kHeader + body);
  EXPECT_THROW(WriteFavoritesFile(dir.File("no/such/f.vxf"), list), EFileWrite);

  TFavoriteList copy = CopyFavorites(list);
  EXPECT_EQ(FormatFavorites(copy), body);
  copy[1]->Items[0]->Items[0]->Value = "changed";
  EXPECT_EQ(FormatFavorites(list), body);  // the copy is deep

  // A folder renamed to nothing in the organiser is left out with its contents.
  list[1]->Name.clear();
  EXPECT_EQ(FormatFavorites(list), "a=Outdoor:Gate\r\n[E]\r\n[]\r\n=z\r\n");
}

TEST(Favorites, DeepNestingIsFlattenedAtTheLimit) {
  const std::size_t levels = 100000;
  std::string text = kHeader;
  for (std::size_t i = 0; i < levels; ++i) text += "[f]\r\n";
  text += "deep=1\r\n";
  for (std::size_t i = 0; i < levels; ++i) text += "[]\r\n";
  text += "after=2\r\n";
  TFavoriteList list = LoadText(text);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1]->Name, "after");
  const TFavoriteList* level = &list;
  for (std::size_t i = 0; i < kMaxFavoritesDepth; ++i) {
    ASSERT_TRUE(!level->empty() && level->front()->IsFolder) << "level " << i;
    level = &level->front()->Items;
  }
  ASSERT_EQ(level->size(), 1u);  // the levels beyond the limit are gone
  EXPECT_EQ(level->front()->Name, "deep");
  // What is written reads back as it was.
  std::string formatted = FormatFavorites(list);
  EXPECT_EQ(FormatFavorites(LoadText(kHeader + formatted)), formatted);
  EXPECT_EQ(FormatFavorites(CopyFavorites(list)), formatted);
}

TEST(Favorites, LongLinesAreReadMissingFilesEmptyTheListAndOversizedOrUnreadableAreErrors) {
  std::string value(3 << 20, 'v');
  TFavoriteList list = LoadText(kHeader + "long=" + value + "\r\n[" + value + "]\r\n");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->Value, value);
  EXPECT_EQ(list[1]->Name, value);

  // A missing file, or a folder of that name, leaves none of the favorites from before.
  TTempDir dir;
  for (const std::string& none : {dir.File("missing.vxf"), dir.Path()}) {
    list = LoadText(kHeader + "a=1\r\n");
    LoadFavorites(none, list);
    EXPECT_TRUE(list.empty()) << none;
  }
  std::string file = dir.File("big.vxf");
  WriteFileAtomically(file, kHeader);
  std::filesystem::resize_file(file, kMaxFavoritesFileSize + 1);
  EXPECT_THROW(LoadFavorites(file, list), std::runtime_error);
  if (::geteuid() != 0) {  // root reads anything
    std::filesystem::resize_file(file, 100);
    ::chmod(file.c_str(), 0);
    EXPECT_THAT([&] { LoadFavorites(file, list); },
                testing::ThrowsMessage<std::runtime_error>(testing::HasSubstr("big.vxf")));
  }
}

}  // namespace
}  // namespace vexilon
