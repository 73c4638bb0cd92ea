#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexilon {

// Writes one value of the key=value notation in which catalogue nodes, connection
// descriptors and recording settings store themselves: quoted only when it must be.
std::string RecordQuote(std::string_view text);

// The value of key at the outer level of record, decoded; empty when the key is absent.
// Keys inside quoted or nested values are invisible here. When a key stands twice, the later
// one wins and its value runs to the end of the record.
std::string RecordValue(std::string_view record, std::string_view key);

// The signed decimal integer that text holds, or def when text is empty, not a number or
// outside the 32-bit range.
int TextToInt(std::string_view text, int def);

// RecordValue read as an integer with a per-field default.
int RecordInt(std::string_view record, std::string_view key, int def);

// The outer keys of one record found in a single pass, for readers that ask one record for
// many keys (a node's data text, a root's children). Every answer equals RecordValue's.
// The record must outlive this object.
class TRecordFields {
 public:
  explicit TRecordFields(std::string_view record);

  std::string Value(std::string_view key) const;
  int Int(std::string_view key, int def) const;
  // The value without copying when it is plain or nested; a quoted value is decoded into
  // storage, which the answer then points into.
  std::string_view ValueView(std::string_view key, std::string& storage) const;

  // The numbers k, in increasing order, for which the key prefix+k stands in the record with
  // k written as RecordText writes numbers (no sign, no leading zero), 1 <= k <= max; each
  // with its value as ValueView answers it. Absent numbers are simply not listed, so a
  // hostile count costs nothing.
  std::vector<std::pair<std::int64_t, std::string_view>> NumberedValues(
      std::string_view prefix, std::int64_t max, std::vector<std::string>& storage) const;

 private:
  struct TKey {
    std::size_t Begin;      // first character of the key
    std::size_t End;        // the "=" after it
    std::size_t NextBlank;  // first outer blank after the value starts, or npos
  };
  std::string_view Span(std::size_t first, std::size_t last, std::string& storage) const;

  std::string_view FRecord;
  std::vector<TKey> FKeys;
};

}  // namespace vexilon
