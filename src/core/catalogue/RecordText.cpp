#include "core/catalogue/RecordText.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace vexilon {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool NeedsQuotes(std::string_view text) {
  return text.find_first_of(std::string_view(" \"()\0", 5)) != std::string_view::npos;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Decodes a quoted value that starts at start (its opening quote); closing is the position
// of the closing quote (one before the value's end), which is never read.
void DecodeQuoted(std::string_view record, std::size_t start, std::size_t closing,
                  std::string& out) {
  bool quoted = true;
  std::size_t p = start + 1;
  while (p < closing) {
    char c = record[p];
    if (c == '"') {
      if (quoted && p + 1 < closing && record[p + 1] == '"') {
        out += '"';
        p += 2;
        continue;
      }
      quoted = !quoted;
      ++p;
      continue;
    }
    if (c == '#' && !quoted) {
      ++p;
      unsigned code = 0;
      // Keeping only the low byte as we go gives the same character without overflow.
      while (p < closing && IsDigit(record[p])) {
        code = (code * 10 + static_cast<unsigned>(record[p] - '0')) & 0xFFu;
        ++p;
      }
      out += static_cast<char>(code);
      continue;
    }
    out += c;
    ++p;
  }
}

// The value that runs from start to end, as a view into record or decoded into storage.
std::string_view ValueAt(std::string_view record, std::size_t start, std::size_t end,
                         std::string& storage) {
  if (start >= end) return {};
  switch (record[start]) {
    case '(':
      if (end - start < 2) return {};
      return record.substr(start + 1, end - start - 2);
    case '"':
      storage.clear();
      if (end - start >= 2) DecodeQuoted(record, start, end - 1, storage);
      return storage;
    default:
      return record.substr(start, end - start);
  }
}

}  // namespace

std::string RecordQuote(std::string_view text) {
  if (text.empty()) return "\"\"";
  if (!NeedsQuotes(text)) return std::string(text);
  std::string out = "\"";
  out.reserve(text.size() + 8);
  bool inside = true;
  for (char c : text) {
    if (c == '"') {
      if (!inside) out += '"';
      inside = true;
      out += "\"\"";
    } else if (c == '\0') {
      if (inside) out += '"';
      inside = false;
      out += "#0";
    } else {
      if (!inside) out += '"';
      inside = true;
      out += c;
    }
  }
  if (inside) out += '"';
  return out;
}

std::string RecordValue(std::string_view record, std::string_view key) {
  bool inQuotes = false;
  std::size_t depth = 0;
  bool atWordStart = true;
  std::size_t start = kNone;
  std::size_t end = kNone;
  for (std::size_t i = 0; i < record.size(); ++i) {
    char c = record[i];
    if (inQuotes) {
      if (c == '"') inQuotes = false;
    } else if (c == '"') {
      inQuotes = true;
    } else if (depth > 0) {
      if (c == '(') ++depth;
      if (c == ')') --depth;
    } else if (c == ' ') {
      atWordStart = true;
      if (start != kNone && end == kNone) end = i;
    } else if (c == '(') {
      depth = 1;
    } else {
      if (atWordStart && record.size() - i > key.size() &&
          record.compare(i, key.size(), key) == 0 && record[i + key.size()] == '=') {
        start = i + key.size() + 1;
      }
      atWordStart = false;
    }
  }
  if (start == kNone) return {};
  if (end == kNone || end < start) end = record.size();
  std::string storage;
  return std::string(ValueAt(record, start, end, storage));
}

int TextToInt(std::string_view text, int def) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || !IsDigit(text.front())) return def;
  }
  int value = 0;
  auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || ptr != text.data() + text.size()) return def;
  return value;
}

int RecordInt(std::string_view record, std::string_view key, int def) {
  return TextToInt(RecordValue(record, key), def);
}

TRecordFields::TRecordFields(std::string_view record) : FRecord(record) {
  // The same scan as RecordValue, noting every key at a word start instead of one.
  bool inQuotes = false;
  std::size_t depth = 0;
  bool atWordStart = true;
  std::size_t pendingFrom = 0;  // keys from here on still wait for their blank
  std::size_t nextEquals = 0;   // first "=" at or after the last position asked; kNone: none
  bool equalsKnown = false;
  for (std::size_t i = 0; i < record.size(); ++i) {
    char c = record[i];
    if (inQuotes) {
      if (c == '"') inQuotes = false;
    } else if (c == '"') {
      inQuotes = true;
    } else if (depth > 0) {
      if (c == '(') ++depth;
      if (c == ')') --depth;
    } else if (c == ' ') {
      atWordStart = true;
      for (; pendingFrom < FKeys.size(); ++pendingFrom) FKeys[pendingFrom].NextBlank = i;
    } else if (c == '(') {
      depth = 1;
    } else {
      if (atWordStart) {
        // Reusing the last "=" found keeps this linear on records full of bare words.
        if (!equalsKnown || (nextEquals != kNone && nextEquals < i)) {
          nextEquals = record.find('=', i);
          equalsKnown = true;
        }
        if (nextEquals != kNone) FKeys.push_back({i, nextEquals, kNone});
      }
      atWordStart = false;
    }
  }
}

std::string_view TRecordFields::Span(std::size_t first, std::size_t last,
                                     std::string& storage) const {
  std::size_t start = FKeys[last].End + 1;
  std::size_t end = FKeys[first].NextBlank;
  if (end == kNone || end < start) end = FRecord.size();
  return ValueAt(FRecord, start, end, storage);
}

std::string_view TRecordFields::ValueView(std::string_view key, std::string& storage) const {
  if (key.find('=') != std::string_view::npos) {
    storage = RecordValue(FRecord, key);
    return storage;
  }
  std::size_t first = kNone;
  std::size_t last = kNone;
  for (std::size_t k = 0; k < FKeys.size(); ++k) {
    const TKey& found = FKeys[k];
    if (FRecord.substr(found.Begin, found.End - found.Begin) != key) continue;
    if (first == kNone) first = k;
    last = k;
  }
  if (first == kNone) return {};
  return Span(first, last, storage);
}

std::string TRecordFields::Value(std::string_view key) const {
  std::string storage;
  return std::string(ValueView(key, storage));
}

int TRecordFields::Int(std::string_view key, int def) const {
  std::string storage;
  return TextToInt(ValueView(key, storage), def);
}

std::vector<std::pair<std::int64_t, std::string_view>> TRecordFields::NumberedValues(
    std::string_view prefix, std::int64_t max, std::vector<std::string>& storage) const {
  std::vector<std::pair<std::int64_t, std::size_t>> found;  // (number, key index)
  for (std::size_t k = 0; k < FKeys.size(); ++k) {
    std::string_view name = FRecord.substr(FKeys[k].Begin, FKeys[k].End - FKeys[k].Begin);
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
    std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 18 || digits.front() == '0') continue;
    if (!std::all_of(digits.begin(), digits.end(), IsDigit)) continue;
    std::int64_t number = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (number >= 1 && number <= max) found.emplace_back(number, k);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::pair<std::int64_t, std::string_view>> values;
  storage.clear();
  storage.reserve(found.size());  // views into storage must not move
  for (std::size_t i = 0; i < found.size();) {
    std::size_t j = i;
    while (j + 1 < found.size() && found[j + 1].first == found[i].first) ++j;
    storage.emplace_back();
    values.emplace_back(found[i].first, Span(found[i].second, found[j].second, storage.back()));
    i = j + 1;
  }
  return values;
}

}  // namespace vexilon
