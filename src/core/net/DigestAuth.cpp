#include "core/net/DigestAuth.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

namespace vexilon {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
         });
}

std::optional<TDigestAlgorithm> AlgorithmNamed(std::string_view name) {
  if (name.empty() || EqualNoCase(name, "MD5")) return TDigestAlgorithm::Md5;
  if (EqualNoCase(name, "MD5-sess")) return TDigestAlgorithm::Md5Sess;
  if (EqualNoCase(name, "SHA-256")) return TDigestAlgorithm::Sha256;
  if (EqualNoCase(name, "SHA-256-sess")) return TDigestAlgorithm::Sha256Sess;
  return std::nullopt;
}

const char* AlgorithmText(TDigestAlgorithm algorithm) {
  switch (algorithm) {
    case TDigestAlgorithm::Md5Sess:
      return "MD5-sess";
    case TDigestAlgorithm::Sha256:
      return "SHA-256";
    case TDigestAlgorithm::Sha256Sess:
      return "SHA-256-sess";
    case TDigestAlgorithm::Md5:
      break;
  }
  return "MD5";
}

bool IsSha256(TDigestAlgorithm algorithm) {
  return algorithm == TDigestAlgorithm::Sha256 || algorithm == TDigestAlgorithm::Sha256Sess;
}

bool IsSession(TDigestAlgorithm algorithm) {
  return algorithm == TDigestAlgorithm::Md5Sess || algorithm == TDigestAlgorithm::Sha256Sess;
}

// Whether a qop list ("auth,auth-int") offers plain "auth".
bool OffersAuth(std::string_view list) {
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    std::string_view item = list.substr(0, comma);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (EqualNoCase(item, "auth")) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

std::string Hex(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::string Hash(TDigestAlgorithm algorithm, std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &size,
                 IsSha256(algorithm) ? EVP_sha256() : EVP_md5(), nullptr) != 1) {
    return {};
  }
  return Hex(digest, size);
}

// A quoted string of text, with the quotes and backslashes in it escaped.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

namespace {

// The path of a URI: what follows its scheme and authority, "/" when nothing does; a path as
// it is.
std::string_view PathOf(std::string_view uri) {
  const std::size_t scheme = uri.find("://");
  if (scheme == std::string_view::npos || uri.substr(0, scheme).find('/') != std::string_view::npos)
    return uri;
  const std::size_t path = uri.find('/', scheme + 3);
  return path == std::string_view::npos ? std::string_view("/") : uri.substr(path);
}

// A domain parameter's space-separated URIs as paths. A list longer than any camera needs
// counts as the whole server.
std::vector<std::string> DomainPaths(std::string_view domain) {
  constexpr std::size_t kMaxDomainUris = 32;
  std::vector<std::string> paths;
  std::size_t at = 0;
  while (at < domain.size()) {
    const std::size_t end = std::min(domain.find(' ', at), domain.size());
    if (end > at) {
      if (paths.size() == kMaxDomainUris) return {};
      paths.emplace_back(PathOf(domain.substr(at, end - at)));
    }
    at = end + 1;
  }
  return paths;
}

}  // namespace

std::optional<TDigestChallenge> ChooseDigest(const std::vector<TAuthChallenge>& challenges) {
  std::optional<TDigestChallenge> best;
  for (const TAuthChallenge& challenge : challenges) {
    if (challenge.Scheme != "digest" || challenge.Param("nonce").empty()) continue;
    const std::string name = challenge.Param("algorithm");
    const std::optional<TDigestAlgorithm> algorithm = AlgorithmNamed(name);
    if (!algorithm) continue;
    const bool hasQop = challenge.Has("qop");
    if (hasQop && !OffersAuth(challenge.Param("qop"))) continue;  // auth-int only
    if (best && (IsSha256(best->Algorithm) || !IsSha256(*algorithm))) continue;
    best = TDigestChallenge{challenge.Param("realm"),
                            challenge.Param("nonce"),
                            challenge.Param("opaque"),
                            challenge.Has("opaque"),
                            *algorithm,
                            name.empty() ? std::string() : AlgorithmText(*algorithm),
                            hasQop,
                            EqualNoCase(challenge.Param("stale"), "true"),
                            DomainPaths(challenge.Param("domain"))};
  }
  return best;
}

bool InDigestDomain(const TDigestChallenge& challenge, std::string_view target) {
  if (challenge.Domain.empty()) return true;
  const std::string_view path = PathOf(target);
  return std::any_of(challenge.Domain.begin(), challenge.Domain.end(),
                     [&](const std::string& prefix) { return path.starts_with(prefix); });
}

bool OffersDigest(const std::vector<TAuthChallenge>& challenges) {
  return std::any_of(challenges.begin(), challenges.end(),
                     [](const TAuthChallenge& c) { return c.Scheme == "digest"; });
}

std::string NewClientNonce() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) {
    std::random_device device;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
  }
  return Hex(bytes, sizeof bytes);
}

std::string DigestAuthorization(const TDigestChallenge& challenge, std::string_view credentials,
                                std::string_view method, std::string_view uri, std::uint32_t count,
                                std::string_view clientNonce) {
  const std::size_t colon = credentials.find(':');
  const std::string_view user = credentials.substr(0, colon);
  const std::string_view password =
      colon == std::string_view::npos ? std::string_view() : credentials.substr(colon + 1);
  // A line break in the name would end the header line; the password is only hashed.
  if (std::any_of(user.begin(), user.end(),
                  [](char c) { return uint8_t(c) < 0x20 || uint8_t(c) == 0x7F; })) {
    return {};
  }
  const TDigestAlgorithm algorithm = challenge.Algorithm;
  const std::string& nonce = challenge.Nonce;
  std::string secret =
      Hash(algorithm, std::string(user) + ":" + challenge.Realm + ":" + std::string(password));
  if (IsSession(algorithm)) {
    secret = Hash(algorithm, secret + ":" + nonce + ":" + std::string(clientNonce));
  }
  const std::string request = Hash(algorithm, std::string(method) + ":" + std::string(uri));
  char nc[9];
  std::snprintf(nc, sizeof nc, "%08x", count);
  const std::string response =
      challenge.QopAuth ? Hash(algorithm, secret + ":" + nonce + ":" + nc + ":" +
                                              std::string(clientNonce) + ":auth:" + request)
                        : Hash(algorithm, secret + ":" + nonce + ":" + request);

  std::string line = "Digest username=" + Quoted(user) + ", realm=" + Quoted(challenge.Realm) +
                     ", nonce=" + Quoted(nonce) + ", uri=" + Quoted(uri);
  if (!challenge.AlgorithmName.empty()) line += ", algorithm=" + challenge.AlgorithmName;
  if (challenge.QopAuth) {
    line += ", qop=auth, nc=" + std::string(nc) + ", cnonce=" + Quoted(clientNonce);
  } else if (IsSession(algorithm)) {
    line += ", cnonce=" + Quoted(clientNonce);  // the session secret is made with it
  }
  line += ", response=" + Quoted(response);
  if (challenge.HasOpaque) line += ", opaque=" + Quoted(challenge.Opaque);
  return line;
}

}  // namespace vexilon
