#include "core/net/SuffixItems.h"

#include <algorithm>
#include <cctype>
#include <thread>
#include <vector>

namespace vexilon {
namespace {

// Widths come from connection files, which are untrusted: a width of two billion must not
// become a string of two gigabytes.
constexpr int kMaxWidth = 1024;
constexpr auto kValueLifetime = std::chrono::milliseconds(120000);

std::optional<int> ReadInt(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return int(value);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

int WordOr(const std::vector<std::string_view>& words, size_t index, int fallback) {
  if (index >= words.size()) return fallback;
  return ReadInt(words[index]).value_or(fallback);
}

std::string Padded(int value, int width, char fill) {
  width = std::clamp(width, 0, kMaxWidth);
  std::string digits = std::to_string(value);
  if (fill == ' ') {
    if (int(digits.size()) < width) digits.insert(0, width - digits.size(), ' ');
    return digits;
  }
  const bool negative = value < 0;
  if (negative) digits.erase(0, 1);
  if (int(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

bool StartsWith(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f');
}

// Clears the busy flag however the evaluation ends.
struct TBusyRelease {
  TSuffixItem& Item;
  ~TBusyRelease() {
    Item.Done = true;
    Item.Busy = 0;
  }
};

}  // namespace

std::string TSuffixItem::Value() const {
  std::lock_guard lock(FLock);
  return FValue;
}

void TSuffixItem::SetValue(std::string value) {
  std::lock_guard lock(FLock);
  FValue = std::move(value);
}

std::chrono::steady_clock::time_point TSuffixItem::EvaluatedAt() const {
  std::lock_guard lock(FLock);
  return FEvaluatedAt;
}

void TSuffixItem::SetEvaluatedAt(std::chrono::steady_clock::time_point when) {
  std::lock_guard lock(FLock);
  FEvaluatedAt = when;
}

TSuffixItem& TSuffixItemList::FindOrAdd(std::string_view key) {
  std::lock_guard lock(FLock);
  auto found = FItems.find(key);
  if (found == FItems.end()) {
    found = FItems.emplace(std::string(key), std::make_unique<TSuffixItem>(std::string(key))).first;
  }
  return *found->second;
}

size_t TSuffixItemList::Count() const {
  std::lock_guard lock(FLock);
  return FItems.size();
}

TSuffixItemList& SuffixItemList() {
  static TSuffixItemList list;
  return list;
}

void TSuffixUse::MarkFailed() {
  if (LastItem == nullptr) return;
  int expected = LastGeneration;
  if (LastItem->Generation.compare_exchange_strong(expected, expected + 1)) {
    LastItem->Expired = true;
  }
}

bool SuffixItemExpired(const TSuffixItem& item, std::chrono::steady_clock::time_point now) {
  if (item.Expired) return true;
  const std::string_view key = item.Key;
  const auto age = now - item.EvaluatedAt();
  // Counters and indexes change with every request; hash items only by failure marks.
  if ((StartsWith(key, "*II") || StartsWith(key, "*AI")) && age > age.zero()) return true;
  return !StartsWith(key, "*HS") && age > kValueLifetime;
}

std::string SuffixSessionKey(std::string_view page) {
  std::string_view best;
  size_t i = 0;
  while (i < page.size()) {
    if (!IsDigit(page[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < page.size() && IsDigit(page[i])) ++i;
    // A longer run is no session key, and would go into every request.
    if (i < page.size() && i - start > best.size() && i - start <= kMaxSessionKey)
      best = page.substr(start, i - start);
  }
  return std::string(best);
}

std::optional<std::string> SuffixHashCandidate(std::string_view page, int length, int generation) {
  if (length <= 0) return std::nullopt;
  std::vector<std::string_view> candidates;
  size_t i = 0;
  while (i < page.size()) {
    if (!IsHexDigit(page[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < page.size() && IsHexDigit(page[i])) ++i;
    if (i < page.size() && i - start == size_t(length)) {
      candidates.push_back(page.substr(start, i - start));
    }
  }
  if (candidates.empty()) return std::nullopt;
  const long long count = static_cast<long long>(candidates.size());
  const long long pick = ((generation % count) + count) % count;
  return std::string(candidates[size_t(pick)]);
}

std::string SuffixIndexedInteger(std::string_view page, int width, int index) {
  const std::vector<std::string_view> tokens = Words(page);
  int value = 0;
  if (index >= 0 && size_t(index) < tokens.size()) value = ReadInt(tokens[index]).value_or(0);
  return Padded(value, width, '0');
}

void EvaluateSuffixItem(TSuffixItem& item, TSuffixContext& context) {
  if (item.Busy.exchange(1) == 1) {
    // Another thread is at it: its result is ours too.
    while (item.Busy.load() == 1 && !context.Terminating()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return;
  }
  TBusyRelease release{item};
  item.Done = false;
  item.Failed = true;
  item.SetEvaluatedAt(context.Now());
  const std::string_view key = item.Key;
  const size_t comma = key.find(',');
  if (comma == std::string_view::npos) return;
  std::string code(key.substr(1, comma - 1));
  std::transform(code.begin(), code.end(), code.begin(),
                 [](char c) { return char(std::toupper(uint8_t(c))); });
  const std::string url(key.substr(comma + 1));

  if (StartsWith(code, "AI")) {
    const auto numbers = Words(std::string_view(code).substr(2));
    item.Minimum = WordOr(numbers, 0, 1);
    item.Maximum = WordOr(numbers, 1, INT_MAX);
    item.Width = WordOr(numbers, 2, 0);
    int generation = item.Generation;
    generation =
        item.Minimum <= generation && generation < item.Maximum ? generation + 1 : item.Minimum;
    item.Generation = generation;
    item.SetValue(Padded(generation, item.Width, ' '));
    return;
  }

  const std::optional<std::string> page = context.Fetcher.Fetch(url);
  if (!page) return;  // the value and the expired mark stay as they were
  item.Expired = false;
  item.Failed = false;
  if (code == "SK") {
    item.SetValue(SuffixSessionKey(*page));
  } else if (StartsWith(code, "HS")) {
    const auto words = Words(std::string_view(code).substr(2));
    const int length = WordOr(words, 0, 32);
    // A page without a candidate keeps the value that worked before.
    if (auto candidate = SuffixHashCandidate(*page, length, item.Generation)) {
      item.SetValue(std::move(*candidate));
    }
  } else if (StartsWith(code, "II")) {
    const auto words = Words(std::string_view(code).substr(2));
    item.SetValue(SuffixIndexedInteger(*page, WordOr(words, 0, 3), WordOr(words, 1, 1)));
  } else {
    item.SetValue({});
  }
}

std::string ExpandSuffix(std::string_view text, TSuffixContext& context) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '*') {
      out += text[i++];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '*') {
      out += '*';
      i += 2;
      continue;
    }
    std::string key = "*";
    for (++i; i < text.size(); ++i) {
      if (text[i] != '*') {
        key += text[i];
      } else if (i + 1 < text.size() && text[i + 1] == '*') {
        key += '*';
        ++i;
      } else {
        ++i;
        break;
      }
    }
    TSuffixItem& item = context.Items.FindOrAdd(key);
    if (SuffixItemExpired(item, context.Now())) {
      context.Use.Evaluating = &item;
      EvaluateSuffixItem(item, context);
      context.Use.Evaluating = nullptr;
    }
    context.Use.LastItem = &item;
    context.Use.LastGeneration = item.Generation;
    out += item.Value();
  }
  return out;
}

}  // namespace vexilon
