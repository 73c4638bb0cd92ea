#include "core/catalogue/RecordText.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/catalogue/CommaText.h"

namespace vexilon {
namespace {

using namespace std::string_literals;

TEST(RecordQuote, QuotesOnlyWhenItMustAndEveryByteRoundTrips) {
  const std::pair<std::string, std::string> cases[] = {
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
  for (const auto& [text, quoted] : cases) {
    EXPECT_EQ(RecordQuote(text), quoted) << quoted;
    EXPECT_EQ(RecordValue("K=" + RecordQuote(text), "K"), text) << quoted;
  }
  // Every byte comes back, amid other keys.
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string twice = all + all + "\0\0\"\"(("s;
  EXPECT_EQ(RecordValue("X=1 V=" + RecordQuote(twice) + " Y=2", "V"), twice);
}

TEST(RecordValue, FindsKeysOnlyAtTheOuterLevelAndWordStart) {
  const std::tuple<const char*, const char*, std::string> cases[] = {
      {"NAME=\"a b\" FLAGS=1", "NAME", "a b"},
      {"NAME=\"a b\" FLAGS=1", "FLAGS", "1"},
      {"TYPE=ITEM AUDIO=(WEB=x FLAGS=3) WIDTH=2", "WEB", ""},
      {"TYPE=ITEM AUDIO=(WEB=x FLAGS=3) WIDTH=2", "WIDTH", "2"},
      {"XNAME=a", "NAME", ""},
      {"A=\"x NAME=y\" B=1", "NAME", ""},
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
  for (const auto& [record, key, value] : cases) {
    EXPECT_EQ(RecordValue(record, key), value) << record << " / " << key;
    EXPECT_EQ(TRecordFields(record).Value(key), value) << record << " / " << key;
  }
}

TEST(RecordValue, NumbersTakeTheirDefaultWhenMissingOrInvalid) {
  const std::pair<const char*, long long> cases[] = {
      {"W=640", 640},        {"W=-5", -5},
      {"W=+7", 7},           {"W=abc", 320},
      {"W=", 320},           {"", 320},
      {"W=12x", 320},        {"W= 12", 320},
      {"W=+-1", 320},        {"W=2147483647", 2147483647},
      {"W=2147483648", 320}, {"W=-2147483648", -2147483648LL},
      {"W=\"42\"", 42},      {"W=(42)", 42},
  };
  for (const auto& [record, value] : cases) {
    EXPECT_EQ(RecordInt(record, "W", 320), value) << record;
    EXPECT_EQ(TRecordFields(record).Int("W", 320), value) << record;
  }
}

TEST(CommaText, WritesHeaderLines) {
  const std::pair<std::string, std::string> cases[] = {
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
  for (const auto& [headers, comma] : cases) {
    EXPECT_EQ(HeadersToCommaText(headers), comma) << comma;
    std::string expected = headers;
    if (!expected.empty() && expected.back() != '\n') expected += "\r\n";
    EXPECT_EQ(CommaTextToHeaders(comma), expected) << comma;
  }
}

TEST(CommaText, ReadsLooseTextAndSplitsLinesAtAnyLineEnd) {
  const std::pair<const char*, const char*> cases[] = {
      {"  a , b  ", "a\r\nb\r\n"},
      {"a b", "a\r\nb\r\n"},
      {"a, ", "a\r\n"},
      {"\"unterminated", "unterminated\r\n"},
      {"\"a\"b", "a\r\nb\r\n"},
      {",", "\r\n\r\n"},
      {"\t\r\n", ""},
  };
  for (const auto& [comma, headers] : cases) EXPECT_EQ(CommaTextToHeaders(comma), headers) << comma;
  EXPECT_EQ(CommaTextToHeaders("a,b\0c"s), "a\r\nb\r\n");
  // Lines end at any line end.
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\n\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace
}  // namespace vexilon
