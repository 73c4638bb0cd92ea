#pragma once
#include <atomic>
#include <chrono>
#include <climits>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vexilon {

using TSuffixClock = std::function<std::chrono::steady_clock::time_point()>;

// Fetches the page behind a suffix item's URL. The real one does an HTTP GET (through the
// PROXY setting when PROXYTYPE is not 0) and gives up after 15 seconds; tests fake it.
class TSuffixFetcher {
 public:
  virtual ~TSuffixFetcher() = default;
  // The page text, or nothing when the fetch failed or timed out.
  virtual std::optional<std::string> Fetch(const std::string& url) = 0;
};

// One starred item of a request suffix ("*SK,http://cam/sid*"), shared by every connection
// that uses the same item text for the life of the process.
struct TSuffixItem {
  explicit TSuffixItem(std::string key) : Key(std::move(key)) {}

  const std::string Key;            // "*" and the item text without its closing star
  std::atomic<int> Busy{0};         // 1 while one thread evaluates the item
  std::atomic<bool> Done{false};    // set by the end of an evaluation
  std::atomic<bool> Expired{true};  // the value must be recomputed; a new item has none yet
  std::atomic<bool> Failed{false};  // the last fetch failed
  std::atomic<int> Generation{0};   // counter of AI items; bumped at each failed request
  int Minimum = 1;                  // AI parameters, read from the item text
  int Maximum = INT_MAX;
  int Width = 0;

  std::string Value() const;
  void SetValue(std::string value);
  std::chrono::steady_clock::time_point EvaluatedAt() const;
  void SetEvaluatedAt(std::chrono::steady_clock::time_point when);

 private:
  mutable std::mutex FLock;
  std::string FValue;
  std::chrono::steady_clock::time_point FEvaluatedAt{};
};

// The items known to the process, looked up by exact key. Items are never removed, so a
// pointer to one stays valid.
class TSuffixItemList {
 public:
  // The item for key; created (expired, with an empty value) when missing.
  TSuffixItem& FindOrAdd(std::string_view key);
  size_t Count() const;

 private:
  mutable std::mutex FLock;
  std::map<std::string, std::unique_ptr<TSuffixItem>, std::less<>> FItems;
};

// The one list of the process.
TSuffixItemList& SuffixItemList();

// A connection's record of the item its last request used, so that a failed answer can make
// exactly that value expire.
struct TSuffixUse {
  TSuffixItem* LastItem = nullptr;
  int LastGeneration = 0;
  std::atomic<TSuffixItem*> Evaluating{nullptr};

  // After a response with a failure status: when the last item still has the generation of
  // this request, it expires and its generation moves on (so an HS item picks its next
  // candidate).
  void MarkFailed();
};

// What ExpandSuffix works with.
struct TSuffixContext {
  TSuffixItemList& Items;
  TSuffixFetcher& Fetcher;
  TSuffixUse& Use;
  TSuffixClock Now = [] { return std::chrono::steady_clock::now(); };
  // Ends the wait for another thread's evaluation of the same item.
  std::function<bool()> Terminating = [] { return false; };
};

// Copies text with "**" turned into "*" and each item between single stars replaced by its
// value (inside an item, "**" stands for a star of the item's text).
std::string ExpandSuffix(std::string_view text, TSuffixContext& context);

// Recomputes item's value from its code: AI counts, SK, HS and II read a fetched page.
void EvaluateSuffixItem(TSuffixItem& item, TSuffixContext& context);

// Whether item must be evaluated again before use at time now.
bool SuffixItemExpired(const TSuffixItem& item, std::chrono::steady_clock::time_point now);

// The text handling of the codes, on a fetched page:
// SK: the longest run of decimal digits followed by a non-digit (the first of equal length),
// of at most kMaxSessionKey digits.
inline constexpr std::size_t kMaxSessionKey = 1024;
std::string SuffixSessionKey(std::string_view page);
// HS: runs of exactly length lower-case hex digits followed by another character; the one
// numbered generation modulo their count. Nothing when there is no candidate.
std::optional<std::string> SuffixHashCandidate(std::string_view page, int length, int generation);
// II: blank-separated token index as an integer (0 when not one), zero-padded to width digits.
std::string SuffixIndexedInteger(std::string_view page, int width, int index);

}  // namespace vexilon
