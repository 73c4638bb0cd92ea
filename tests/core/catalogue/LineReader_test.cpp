#include "core/catalogue/LineReader.h"

#include <gtest/gtest.h>

#include "support/CatalogueSamples.h"
#include "support/TempDir.h"

namespace vexilon {
namespace {

std::vector<std::string> ReadAll(const std::string& path, std::size_t maxLine = kMaxLineBytes) {
  TLineReader reader(maxLine);
  EXPECT_TRUE(reader.Open(path));
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return lines;
}

TEST(LineReader, EndsLinesAtCrLfCrAndLf) {
  TTempDir dir;
  std::string path = dir.File("t.txt");
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a\rb\nc\r\n\r\nd", {"a", "b", "c", "", "d"}},
      {"\n\r\r\n", {"", "", ""}},
      {std::string("x\0y\r\n", 5), {std::string("x\0y", 3)}},
  };
  for (const Case& c : cases) {
    WriteBytes(path, c.bytes);
    EXPECT_EQ(ReadAll(path), c.lines) << c.bytes;
  }
  TLineReader reader;
  EXPECT_FALSE(reader.Open(dir.File("missing")));
}

TEST(LineReader, HandlesBufferBoundariesAndCutsLongLines) {
  TTempDir dir;
  std::string path = dir.File("big.txt");
  // The CR of a CR LF pair as the last byte of the first 64 KiB read.
  std::string first(64 * 1024 - 1, 'a');
  std::string bytes = first + "\r\n" + std::string(100000, 'b') + "\nlast";
  WriteBytes(path, bytes);
  auto lines = ReadAll(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], first);
  EXPECT_EQ(lines[1].size(), 100000u);
  EXPECT_EQ(lines[2], "last");

  lines = ReadAll(path, 10);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "aaaaaaaaaa");
  EXPECT_EQ(lines[1], "bbbbbbbbbb");
  EXPECT_EQ(lines[2], "last");
}

}  // namespace
}  // namespace vexilon
