#include "DigestGate.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "Request.h"
#include "core/net/AuthChallenge.h"

namespace vexilon::camsim {
namespace {

constexpr const char* kRealm = "camsim";

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The algorithm's name as camsim writes it; empty when camsim does not know it.
std::string Canonical(std::string_view algorithm) {
  for (const char* name : {"MD5", "MD5-sess", "SHA-256", "SHA-256-sess"}) {
    if (EqualNoCase(algorithm, name)) return name;
  }
  return {};
}

std::string Hex(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::string Hash(std::string_view algorithm, const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  const EVP_MD* md = algorithm.starts_with("SHA-256") ? EVP_sha256() : EVP_md5();
  EVP_Digest(text.data(), text.size(), digest, &size, md, nullptr);
  return Hex(digest, size);
}

// The response a client that knows the password gives (RFC 7616 section 3.4.1).
std::string Expected(const TAuthChallenge& answer, const std::string& algorithm,
                     const std::string& credentials, const std::string& method, bool qop) {
  const std::size_t colon = credentials.find(':');
  const std::string user = credentials.substr(0, colon);
  const std::string password = credentials.substr(colon + 1);
  const std::string nonce = answer.Param("nonce"), cnonce = answer.Param("cnonce");
  std::string secret = Hash(algorithm, user + ":" + kRealm + ":" + password);
  if (algorithm.ends_with("-sess")) secret = Hash(algorithm, secret + ":" + nonce + ":" + cnonce);
  const std::string request = Hash(algorithm, method + ":" + answer.Param("uri"));
  return qop ? Hash(algorithm, secret + ":" + nonce + ":" + answer.Param("nc") + ":" + cnonce +
                                   ":auth:" + request)
             : Hash(algorithm, secret + ":" + nonce + ":" + request);
}

std::optional<std::uint64_t> NonceCount(const std::string& text) {
  std::uint64_t count = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count, 16);
  if (text.size() != 8 || error != std::errc() || end != text.data() + text.size()) return {};
  return count;
}

}  // namespace

bool TDigestAsk::From(const TRequest& request, TDigestAsk& ask, std::string& error) {
  ask.Credentials = request.Param("digest");
  if (ask.Credentials.find(':') == std::string::npos) {
    error = "digest wants USER:PASS";
    return false;
  }
  const std::string names = request.Param("algorithm");
  for (std::string_view list = names; !list.empty();) {
    const std::size_t comma = list.find(',');
    const std::string name = Canonical(list.substr(0, comma));
    if (name.empty()) {
      error = "algorithm wants MD5, MD5-sess, SHA-256 or SHA-256-sess, separated by commas";
      return false;
    }
    ask.Algorithms.push_back(name);
    list = comma == std::string_view::npos ? "" : list.substr(comma + 1);
  }
  ask.Qop = !request.Has("noqop");
  ask.StaleEvery = request.Number("stale", 0, 0, 1L << 30);
  return true;
}

TDigestGate::TDigestGate()
    : FRandom(std::random_device{}()), FOpaque(std::to_string(FRandom() % 1000000007)) {}

std::string TDigestGate::Challenge(const TDigestAsk& ask, bool stale) {
  const std::uint64_t words[2] = {FRandom(), FRandom()};
  const std::string nonce = Hex(reinterpret_cast<const unsigned char*>(words), sizeof words);
  FNonces.push_back({nonce});
  if (FNonces.size() > kMaxNonces) FNonces.pop_front();
  // Every algorithm is one challenge, all on one line.
  std::vector<std::string> algorithms = ask.Algorithms;
  if (algorithms.empty()) algorithms.emplace_back();
  std::string line = "WWW-Authenticate: ";
  for (const std::string& algorithm : algorithms) {
    if (&algorithm != &algorithms.front()) line += ", ";
    line += std::string("Digest realm=\"") + kRealm + "\"";
    if (ask.Qop) line += ", qop=\"auth\"";
    if (!algorithm.empty()) line += ", algorithm=" + algorithm;
    line += ", nonce=\"" + nonce + "\", opaque=\"" + FOpaque + "\"";
    if (stale) line += ", stale=true";
  }
  return line + "\r\n";
}

std::string TDigestGate::Check(const TRequest& request, const TDigestAsk& ask) {
  std::lock_guard lock(FLock);
  const std::string given = request.Header("Authorization");
  const auto parsed = ParseChallenges({given});
  if (!parsed || parsed->size() != 1 || parsed->front().Scheme != "digest") {
    return Challenge(ask, false);
  }
  const TAuthChallenge& answer = parsed->front();
  const std::string algorithm =
      answer.Has("algorithm") ? Canonical(answer.Param("algorithm")) : "MD5";
  const bool offered = ask.Algorithms.empty()
                           ? algorithm == "MD5"
                           : std::find(ask.Algorithms.begin(), ask.Algorithms.end(), algorithm) !=
                                 ask.Algorithms.end();
  const std::optional<std::uint64_t> count = NonceCount(answer.Param("nc"));
  const bool qopRight = ask.Qop ? answer.Param("qop") == "auth" && count && *count > 0 &&
                                      !answer.Param("cnonce").empty()
                                : !answer.Has("qop");
  const std::size_t colon = ask.Credentials.find(':');
  if (!offered || !qopRight || answer.Param("realm") != kRealm ||
      answer.Param("username") != ask.Credentials.substr(0, colon) ||
      answer.Param("uri") != request.Target || answer.Param("opaque") != FOpaque ||
      answer.Param("response") !=
          Expected(answer, algorithm, ask.Credentials, request.Method, ask.Qop)) {
    return Challenge(ask, false);
  }
  // The answer is right: its nonce decides whether it is still good.
  const auto nonce = std::find_if(FNonces.begin(), FNonces.end(), [&](const TNonce& n) {
    return n.Value == answer.Param("nonce");
  });
  if (nonce == FNonces.end()) return Challenge(ask, true);
  if (ask.Qop) {
    if (*count <= nonce->LastCount) return Challenge(ask, false);  // a replayed request
    nonce->LastCount = *count;
  }
  if (ask.StaleEvery > 0 && ++nonce->Uses % ask.StaleEvery == 0) {
    FNonces.erase(nonce);
    return Challenge(ask, true);
  }
  return {};
}

}  // namespace vexilon::camsim
