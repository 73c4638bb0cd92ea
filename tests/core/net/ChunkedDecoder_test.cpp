#include "core/net/ChunkedDecoder.h"

#include <gtest/gtest.h>

#include <string>

namespace vexilon {
namespace {

using TStatus = TChunkedDecoder::TStatus;

struct TResult {
  std::string Body;
  TStatus Status = TStatus::Body;
};

TResult Decode(const std::string& encoded, size_t split) {
  TChunkedDecoder decoder;
  TResult r;
  auto emit = [&](const char* data, size_t size) { r.Body.append(data, size); };
  r.Status = decoder.Feed(encoded.data(), split, emit);
  if (r.Status == TStatus::Body) {
    r.Status = decoder.Feed(encoded.data() + split, encoded.size() - split, emit);
  }
  return r;
}

TEST(ChunkedDecoder, DecodesAtEverySplit) {
  const struct {
    std::string Encoded;
    std::string Body;
    TStatus Status;
  } cases[] = {
      {"5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", "hello world", TStatus::Done},
      {"A;name=value\r\n0123456789\r\n0\r\nX-Trailer: 1\r\n\r\nignored", "0123456789",
       TStatus::Done},
      {"3\nabc\n0\n\n", "abc", TStatus::Done},  // bare line feeds
      {"1a  \r\nabcdefghijklmnopqrstuvwxyz\r\n", "abcdefghijklmnopqrstuvwxyz", TStatus::Body},
      {"4\r\nab", "ab", TStatus::Body},
      {"zz\r\n", "", TStatus::Error},
      {"\r\n", "", TStatus::Error},
      {"3\r\nabcX\r\n", "abc", TStatus::Error},      // data not followed by its line break
      {"1000000000000000\r\n", "", TStatus::Error},  // 16 digits
      {"1;" + std::string(5000, 'x') + "\r\n", "", TStatus::Error},
  };
  for (const auto& c : cases) {
    for (size_t split = 0; split <= c.Encoded.size(); ++split) {
      SCOPED_TRACE(testing::Message() << c.Encoded.substr(0, 20) << " split " << split);
      const TResult r = Decode(c.Encoded, split);
      EXPECT_EQ(r.Body, c.Body);
      EXPECT_EQ(r.Status, c.Status);
    }
  }
}

TEST(ChunkedDecoder, StaysInErrorAndIgnoresBytesAfterTheEnd) {
  TChunkedDecoder decoder;
  std::string body;
  auto emit = [&](const char* data, size_t size) { body.append(data, size); };
  EXPECT_EQ(decoder.Feed("0\r\n\r\n", 5, emit), TStatus::Done);
  EXPECT_EQ(decoder.Feed("5\r\nhello", 8, emit), TStatus::Done);
  EXPECT_EQ(body, "");
  decoder.Reset();
  EXPECT_EQ(decoder.Feed("x", 1, emit), TStatus::Error);
  EXPECT_EQ(decoder.Feed("1\r\na", 4, emit), TStatus::Error);
}

}  // namespace
}  // namespace vexilon
