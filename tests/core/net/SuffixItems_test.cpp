#include "core/net/SuffixItems.h"

#include <gtest/gtest.h>

#include <latch>
#include <semaphore>
#include <thread>

namespace vexilon {
namespace {

using namespace std::chrono_literals;

class TFakeFetcher : public TSuffixFetcher {
 public:
  std::optional<std::string> Fetch(const std::string& url) override {
    Urls.push_back(url);
    return Page;
  }
  std::optional<std::string> Page;
  std::vector<std::string> Urls;
};

class SuffixItems : public ::testing::Test {
 protected:
  std::string Expand(std::string_view text) { return ExpandSuffix(text, Context); }
  void Advance(std::chrono::milliseconds by) { Now += by; }

  TSuffixItemList Items;
  TFakeFetcher Fetcher;
  TSuffixUse Use;
  std::chrono::steady_clock::time_point Now{std::chrono::hours(1)};
  TSuffixContext Context{Items, Fetcher, Use, [this] { return Now; }};
};

TEST_F(SuffixItems, TextWithoutItemsOrCommasFetchesNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"?a=1**2&b", "?a=1*2&b"},
      {"**", "*"},
      {"?n=*AI 1 3*&x", "?n=&x"},  // an item without a comma expands to nothing
      {"?open=*SK", "?open="},     // an item left open runs to the end
  };
  for (const auto& [text, expanded] : cases) EXPECT_EQ(Expand(text), expanded) << text;
  EXPECT_TRUE(Fetcher.Urls.empty());
}

TEST_F(SuffixItems, CounterCyclesBetweenItsBounds) {
  std::string seen;
  for (int i = 0; i < 5; ++i) {
    Advance(1ms);
    seen += Expand("*AI 1 3,*");
  }
  EXPECT_EQ(seen, "12312");
  EXPECT_TRUE(Fetcher.Urls.empty());
  Advance(1ms);
  EXPECT_EQ(Expand("n=*ai 9 100 4,*"), "n=   9");
}

TEST_F(SuffixItems, HugeWidthFromAFileIsCapped) {
  EXPECT_EQ(Expand("*AI 1 3 2000000000,*").size(), 1024u);
  Fetcher.Page = "a 1 b";
  EXPECT_EQ(Expand("*II 2000000000,u*").size(), 1024u);
}

TEST_F(SuffixItems, SessionKeyIsFetchedAndKeptForTwoMinutes) {
  Fetcher.Page = "session 12 id=345x total 6789";
  EXPECT_EQ(Expand("?s=*SK,http://cam/login*"), "?s=345");
  ASSERT_EQ(Fetcher.Urls, std::vector<std::string>{"http://cam/login"});
  Fetcher.Page = "9999;";
  Advance(120000ms);
  EXPECT_EQ(Expand("?s=*SK,http://cam/login*"), "?s=345");
  Advance(1ms);
  EXPECT_EQ(Expand("?s=*SK,http://cam/login*"), "?s=9999");
  EXPECT_EQ(Fetcher.Urls.size(), 2u);
}

TEST_F(SuffixItems, FailedFetchKeepsTheOldValueUntilTheNextTry) {
  Fetcher.Page = "77 ";
  EXPECT_EQ(Expand("*SK,u*"), "77");
  Fetcher.Page.reset();
  Advance(130s);
  EXPECT_EQ(Expand("*SK,u*"), "77");
  EXPECT_TRUE(Items.FindOrAdd("*SK,u").Failed);
  EXPECT_EQ(Expand("*SK,u*"), "77");  // the failed try counts as an evaluation
  EXPECT_EQ(Fetcher.Urls.size(), 2u);
  Fetcher.Page = "78 ";
  Advance(121s);
  EXPECT_EQ(Expand("*SK,u*"), "78");
  // A new item whose first fetch fails stays expired and is asked again at once.
  Fetcher.Page.reset();
  EXPECT_EQ(Expand("*SK,v*"), "");
  EXPECT_EQ(Expand("*SK,v*"), "");
  EXPECT_EQ(Fetcher.Urls.size(), 5u);
}

TEST_F(SuffixItems, HashItemMovesToNextCandidateOnlyAfterItsOwnRequestFailed) {
  const std::string a(32, 'a'), b = std::string(31, '0') + "f";
  Fetcher.Page = "x" + a + "\"" + b + "\" " + std::string(33, 'c') + " " + std::string(31, 'd') +
                 "! " + std::string(32, 'e');  // the last run ends the page: no candidate
  EXPECT_EQ(Expand("*HS,u*"), a);
  Advance(1h);
  EXPECT_EQ(Expand("*HS,u*"), a);  // never expires by time
  EXPECT_EQ(Fetcher.Urls.size(), 1u);
  Use.MarkFailed();
  Use.MarkFailed();  // the same request cannot fail twice
  EXPECT_EQ(Expand("*HS,u*"), b);
  Use.MarkFailed();
  EXPECT_EQ(Expand("*HS,u*"), a);
  --Use.LastGeneration;  // a request made before the item moved on fails: no new fetch
  Use.MarkFailed();
  EXPECT_EQ(Expand("*HS,u*"), a);
  EXPECT_EQ(Fetcher.Urls.size(), 3u);
  Use.MarkFailed();
  Fetcher.Page = "no candidate here";
  EXPECT_EQ(Expand("*HS,u*"), a);  // keeps its previous value
  EXPECT_EQ(Expand("*HS8,u*"), "");
}

TEST_F(SuffixItems, TextHandlingOfTheCodes) {
  EXPECT_EQ(SuffixSessionKey("12 345 678"), "345");  // the last run has no follower
  EXPECT_EQ(SuffixSessionKey("abc"), "");
  // A run too long for a session key is passed over.
  EXPECT_EQ(SuffixSessionKey("id=42 " + std::string(kMaxSessionKey + 1, '7') + " "), "42");
  EXPECT_EQ(SuffixHashCandidate("abcd-ABCD-0123-", 4, 0), "abcd");
  EXPECT_EQ(SuffixHashCandidate("abcd-ABCD-0123-", 4, 1), "0123");
  EXPECT_EQ(SuffixHashCandidate("abcd-0123-", 4, -1), "0123");
  EXPECT_EQ(SuffixHashCandidate("abcde-", 4, 0), std::nullopt);
  EXPECT_EQ(SuffixHashCandidate("abcd-", 0, 0), std::nullopt);
  EXPECT_EQ(SuffixIndexedInteger("a 42\tb", 3, 1), "042");
  EXPECT_EQ(SuffixIndexedInteger("1\r\n2 -7", 5, 2), "-00007");
  EXPECT_EQ(SuffixIndexedInteger("x y", 3, 1), "000");
  EXPECT_EQ(SuffixIndexedInteger("x 99999999999", 1, 1), "0");
  EXPECT_EQ(SuffixIndexedInteger("x", 2, 7), "00");
}

TEST_F(SuffixItems, IndexItemReadsItsParameters) {
  Fetcher.Page = "frame 12 of 300\r\n";
  EXPECT_EQ(Expand("*II,u*"), "012");
  Advance(1ms);
  EXPECT_EQ(Expand("*II 5 3,u*"), "00300");
  Fetcher.Page = "frame 19 of 300\r\n";  // asked again for every request
  Advance(1ms);
  EXPECT_EQ(Expand("*II,u*"), "019");
  Advance(1ms);
  EXPECT_EQ(Expand("*XX,u*"), "");  // unknown codes fetch and give nothing
}

TEST_F(SuffixItems, ConcurrentUsersShareOneFetch) {
  struct TSlowFetcher : TSuffixFetcher {
    std::optional<std::string> Fetch(const std::string&) override {
      ++Calls;
      Started.release();
      Release.wait();
      return "4242 ";
    }
    std::atomic<int> Calls{0};
    std::counting_semaphore<> Started{0};
    std::latch Release{1};
  } slow;
  TSuffixUse use1, use2;
  TSuffixContext c1{Items, slow, use1}, c2{Items, slow, use2};
  std::string r1, r2;
  std::thread first([&] { r1 = ExpandSuffix("*SK,u*", c1); });
  slow.Started.acquire();
  std::thread second([&] { r2 = ExpandSuffix("*SK,u*", c2); });
  std::this_thread::sleep_for(20ms);
  slow.Release.count_down();
  first.join();
  second.join();
  EXPECT_EQ(r1, "4242");
  EXPECT_EQ(r2, "4242");
  EXPECT_EQ(slow.Calls, 1);
}

}  // namespace
}  // namespace vexilon
