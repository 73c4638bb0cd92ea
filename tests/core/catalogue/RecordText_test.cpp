#include "core/catalogue/RecordText.h"

#include <gtest/gtest.h>

#include <string>

#include "core/catalogue/CommaText.h"

namespace vexilon {
namespace {

using namespace std::string_literals;

TEST(RecordQuote, QuotesOnlyWhenItMust) {
  struct Case {
    std::string text, quoted;
  } cases[] = {
      {"", "\"\""},
      {"abc", "abc"},
      {"a\"b", "\"a\"\"b\""},
      {"x\0y"s, "\"x\"#0\"y\""},
      {"a b", "\"a b\""},
      {"f(x)", "\"f(x)\""},
      {"\"", "\"\"\"\""},
      {"\0"s, "\"\"#0"},
      {"x\0"s, "\"x\"#0"},
      {"\0"
       "5"s,
       "\"\"#0\"5\""},
      {"tab\tand,comma=ok", "tab\tand,comma=ok"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RecordQuote(c.text), c.quoted) << c.quoted;
    EXPECT_EQ(RecordValue("K=" + RecordQuote(c.text), "K"), c.text) << c.quoted;
    EXPECT_EQ(RecordValue("A=1 K=" + RecordQuote(c.text) + " B=2", "K"), c.text) << c.quoted;
  }
}

TEST(RecordQuote, EveryByteRoundTrips) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string twice = all + all + "\0\0\"\"(("s;
  EXPECT_EQ(RecordValue("X=1 V=" + RecordQuote(twice) + " Y=2", "V"), twice);
}

TEST(RecordValue, FindsKeysOnlyAtTheOuterLevelAndWordStart) {
  struct Case {
    const char* record;
    const char* key;
    std::string value;
  } cases[] = {
      {"NAME=\"a b\" FLAGS=1", "NAME", "a b"},
      {"NAME=\"a b\" FLAGS=1", "FLAGS", "1"},
      {"TYPE=ITEM AUDIO=(WEB=x FLAGS=3) WIDTH=2", "WEB", ""},
      {"TYPE=ITEM AUDIO=(WEB=x FLAGS=3) WIDTH=2", "WIDTH", "2"},
      {"XNAME=a", "NAME", ""},
      {"A=\"x NAME=y\" B=1", "NAME", ""},
      {"A=\"x\"\"q\" B=1", "A", "x\"q"},
      {"X=(A=(1) B=2) Y=3", "X", "A=(1) B=2"},
      {"X=(A=\")\" B=2) Y=3", "X", "A=\")\" B=2"},
      {"X=(A=\")\" B=2) Y=3", "Y", "3"},
      {"NAME=", "NAME", ""},
      {"NAME= FLAGS=1", "NAME", ""},
      {"NAME", "NAME", ""},
      {"NAMES=1 NAME=2", "NAME", "2"},
      {"", "NAME", ""},
      // a later duplicate wins and runs to the end of the record
      {"A=1 B=2 A=3 C=4", "A", "3 C=4"},
      // unterminated values run to the end of the record (minus the missing closing mark)
      {"A=\"abc", "A", "ab"},
      {"A=(abc", "A", "ab"},
      {"A=(", "A", ""},
      {"A=\"", "A", ""},
      // "#" codes only count outside quotes
      {"A=\"x\"#65\"y\"", "A", "xAy"},
      {"A=\"#65\"", "A", "#65"},
      {"A=\"\"#321\"\"", "A", "A"},                      // 321 keeps its low byte, 65
      {"A=\"\"#99999999999999999999\"\"", "A", "\xFF"},  // (10^20 - 1) mod 256
      {"A=plain#65", "A", "plain#65"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RecordValue(c.record, c.key), c.value) << c.record << " / " << c.key;
    EXPECT_EQ(TRecordFields(c.record).Value(c.key), c.value) << c.record << " / " << c.key;
  }
}

TEST(RecordValue, NumbersTakeTheirDefaultWhenMissingOrInvalid) {
  struct Case {
    const char* record;
    int value;
  } cases[] = {
      {"W=640", 640},        {"W=-5", -5},
      {"W=+7", 7},           {"W=abc", 320},
      {"W=", 320},           {"", 320},
      {"W=12x", 320},        {"W= 12", 320},
      {"W=+-1", 320},        {"W=2147483647", 2147483647},
      {"W=2147483648", 320}, {"W=-2147483648", -2147483648LL},
      {"W=\"42\"", 42},      {"W=(42)", 42},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RecordInt(c.record, "W", 320), c.value) << c.record;
    EXPECT_EQ(TRecordFields(c.record).Int("W", 320), c.value) << c.record;
  }
}

TEST(RecordFields, NumberedValuesListOnlyPresentKeysInOrder) {
  std::string record =
      "CHILDREN=2000000000 CHILD10=(j) CHILD2=\"b\" CHILD02=(x) CHILD1=(a) "
      "CHILDX=(y) CHILD3000000000=(z)";
  std::vector<std::string> storage;
  using TValues = std::vector<std::pair<std::int64_t, std::string_view>>;
  EXPECT_EQ(TRecordFields(record).NumberedValues("CHILD", 2000000000, storage),
            (TValues{{1, "a"}, {2, "b"}, {10, "j"}}));
  EXPECT_TRUE(TRecordFields(record).NumberedValues("CHILD", 0, storage).empty());
}

TEST(CommaText, WritesHeaderLines) {
  struct Case {
    std::string headers, comma;
  } cases[] = {
      {"", ""},
      {"\r\n", "\"\""},
      {"A:1\r\n", "A:1"},
      {"A:1\r\nB:2\r\n", "A:1,B:2"},
      {"Proxy-Connection: Keep-Alive\r\n", "\"Proxy-Connection: Keep-Alive\""},
      {"a\"b\r\n", "\"a\"\"b\""},
      {"a,b\r\n", "\"a,b\""},
      {"\r\nx\r\n", ",x"},
      {"x\r\n\r\n", "x,"},
      {"x\r\n\r\ny\r\n", "x,,y"},
      {"last line without break", "\"last line without break\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HeadersToCommaText(c.headers), c.comma) << c.comma;
    std::string expected = c.headers;
    if (!expected.empty() && expected.back() != '\n') expected += "\r\n";
    EXPECT_EQ(CommaTextToHeaders(c.comma), expected) << c.comma;
  }
}

TEST(CommaText, ReadsLooseText) {
  struct Case {
    const char* comma;
    const char* headers;
  } cases[] = {
      {"  a , b  ", "a\r\nb\r\n"},
      {"a b", "a\r\nb\r\n"},
      {"a, ", "a\r\n"},
      {"\"unterminated", "unterminated\r\n"},
      {"\"a\"b", "a\r\nb\r\n"},
      {",", "\r\n\r\n"},
      {"\t\r\n", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CommaTextToHeaders(c.comma), c.headers) << c.comma;
  EXPECT_EQ(CommaTextToHeaders("a,b\0c"s), "a\r\nb\r\n");
}

TEST(CommaText, SplitsLinesAtAnyLineEnd) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\n\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace
}  // namespace vexilon
