#include "core/net/AuthChallenge.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace vexilon {
namespace {

bool IsTokenChar(char c) {
  return std::isalnum(uint8_t(c)) || (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

bool IsToken68Char(char c) {
  return std::isalnum(uint8_t(c)) || (c != '\0' && std::strchr("-._~+/", c) != nullptr);
}

// What a quoted string may hold besides its escapes: no control character but the tab.
bool IsTextChar(char c) {
  return c == '\t' || (uint8_t(c) >= 0x20 && uint8_t(c) != 0x7F);
}

bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix) {
  return text.size() >= lowerPrefix.size() &&
         std::equal(lowerPrefix.begin(), lowerPrefix.end(), text.begin(),
                    [](char a, char b) { return a == std::tolower(uint8_t(b)); });
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char c) { return char(std::tolower(uint8_t(c))); });
  return out;
}

// Reads one value's challenges; every step consumes input, so the work is linear in it.
class TChallengeReader {
 public:
  TChallengeReader(std::string_view text, std::vector<TAuthChallenge>& out, std::size_t& params)
      : FText(text), FOut(out), FParams(params) {}

  bool Read() {
    // Right after a scheme, before any comma: where a token68 may stand.
    bool afterScheme = false;
    for (;;) {
      SkipSpace();
      if (FPos == FText.size()) return true;
      if (FText[FPos] == ',') {
        ++FPos;
        afterScheme = false;
        continue;
      }
      const std::string_view word = Run();
      if (word.empty()) return false;
      SkipSpace();
      if (FPos < FText.size() && FText[FPos] == '=') {
        const std::size_t equals = FPos;
        while (FPos < FText.size() && FText[FPos] == '=') ++FPos;
        const std::size_t count = FPos - equals;
        SkipSpace();
        if (FPos == FText.size() || FText[FPos] == ',') {
          if (!afterScheme || !Token68(std::string(word) + std::string(count, '='))) return false;
        } else if (count != 1 || !Param(word)) {
          return false;
        }
        afterScheme = false;
      } else if (afterScheme) {
        if (!Token68(std::string(word))) return false;
        afterScheme = false;
      } else {
        if (!AllOf(word, IsTokenChar)) return false;
        FOut.push_back({Lower(word), {}, {}});
        afterScheme = true;
        continue;
      }
      // A parameter or token68 is followed by the next item's comma or the end.
      SkipSpace();
      if (FPos < FText.size() && FText[FPos] != ',') return false;
    }
  }

 private:
  static bool AllOf(std::string_view text, bool (*test)(char)) {
    return std::all_of(text.begin(), text.end(), test);
  }

  void SkipSpace() {
    while (FPos < FText.size() && (FText[FPos] == ' ' || FText[FPos] == '\t')) ++FPos;
  }

  // The characters of a token or a token68.
  std::string_view Run() {
    const std::size_t start = FPos;
    while (FPos < FText.size() && (IsTokenChar(FText[FPos]) || FText[FPos] == '/')) ++FPos;
    return FText.substr(start, FPos - start);
  }

  bool Token68(std::string word) {
    const std::string_view body = std::string_view(word).substr(0, word.find('='));
    if (FOut.empty() || !FOut.back().Token68.empty() || !AllOf(body, IsToken68Char)) return false;
    FOut.back().Token68 = std::move(word);
    return true;
  }

  bool Param(std::string_view name) {
    if (FOut.empty() || !AllOf(name, IsTokenChar) || ++FParams > kMaxChallengeParams) return false;
    std::string value;
    if (FText[FPos] == '"') {
      if (!Quoted(value)) return false;
    } else {
      // Cameras send unquoted values that a token does not allow, such as a Base64 nonce.
      const std::size_t start = FPos;
      Run();
      while (FPos < FText.size() && FText[FPos] == '=') ++FPos;
      value = FText.substr(start, FPos - start);
      if (value.empty()) return false;
    }
    FOut.back().Params.emplace_back(Lower(name), std::move(value));
    return true;
  }

  bool Quoted(std::string& value) {
    for (++FPos; FPos < FText.size(); ++FPos) {
      char c = FText[FPos];
      if (c == '"') {
        ++FPos;
        return true;
      }
      if (c == '\\') {
        if (++FPos == FText.size()) return false;
        c = FText[FPos];
      }
      if (!IsTextChar(c)) return false;
      value += c;
    }
    return false;  // no closing quote
  }

  const std::string_view FText;
  std::size_t FPos = 0;
  std::vector<TAuthChallenge>& FOut;
  std::size_t& FParams;
};

}  // namespace

std::string TAuthChallenge::Param(std::string_view name) const {
  for (const auto& [key, value] : Params) {
    if (key == name) return value;
  }
  return {};
}

bool TAuthChallenge::Has(std::string_view name) const {
  return std::any_of(Params.begin(), Params.end(), [&](const auto& p) { return p.first == name; });
}

std::vector<std::string_view> ChallengeLines(std::string_view head) {
  static constexpr std::string_view kName = "www-authenticate";
  std::vector<std::string_view> values;
  std::size_t from = head.find('\n');  // the status line is no header line
  while (from != std::string_view::npos && values.size() <= kMaxChallengeLines) {
    const std::size_t end = head.find('\n', from + 1);
    std::string_view line =
        head.substr(from + 1, end == std::string_view::npos ? end : end - from - 1);
    from = end;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!StartsWithNoCase(line, kName)) continue;
    std::string_view rest = line.substr(kName.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    if (rest.empty() || rest.front() != ':') continue;
    rest.remove_prefix(1);
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
    values.push_back(rest);
  }
  return values;
}

std::optional<std::vector<TAuthChallenge>> ParseChallenges(
    const std::vector<std::string_view>& values) {
  if (values.size() > kMaxChallengeLines) return std::nullopt;
  std::size_t bytes = 0;
  for (const std::string_view value : values) bytes += value.size();
  if (bytes > kMaxChallengeBytes) return std::nullopt;
  std::vector<TAuthChallenge> challenges;
  std::size_t params = 0;
  for (const std::string_view value : values) {
    if (!TChallengeReader(value, challenges, params).Read()) return std::nullopt;
  }
  return challenges;
}

}  // namespace vexilon
