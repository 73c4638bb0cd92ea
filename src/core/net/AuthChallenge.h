#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexilon {

// One challenge of a server's WWW-Authenticate lines (RFC 7235): "Digest realm="cam", ...".
struct TAuthChallenge {
  std::string Scheme;  // lower case: "basic", "digest"
  // Names in lower case, values without their quotes and escapes, in the order sent.
  std::vector<std::pair<std::string, std::string>> Params;
  std::string Token68;  // the one-word form some schemes use instead of parameters

  // The first value of name (lower case); empty when absent.
  std::string Param(std::string_view name) const;
  bool Has(std::string_view name) const;
};

// Bounds on what a server's challenges can make us parse and hold. A head with more is not
// understood: honest servers send one to three challenges of a few hundred bytes.
inline constexpr std::size_t kMaxChallengeLines = 16;
inline constexpr std::size_t kMaxChallengeBytes = 8192;  // all the lines' values together
inline constexpr std::size_t kMaxChallengeParams = 64;   // all the challenges' parameters

// The values of a response head's WWW-Authenticate lines (any letter case), in order, at most
// kMaxChallengeLines + 1 of them, so that one too many still shows.
std::vector<std::string_view> ChallengeLines(std::string_view head);

// The challenges of those values, several per value allowed. Nothing when any value is not
// understood (broken syntax, an unterminated quote, a control character) or a bound is passed.
std::optional<std::vector<TAuthChallenge>> ParseChallenges(
    const std::vector<std::string_view>& values);

}  // namespace vexilon
