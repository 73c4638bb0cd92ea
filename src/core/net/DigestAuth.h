#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/net/AuthChallenge.h"

namespace vexilon {

// HTTP Digest authentication (RFC 7616, RFC 2617 and RFC 2069 without qop).

enum class TDigestAlgorithm { Md5, Md5Sess, Sha256, Sha256Sess };

// What a Digest challenge asks of our answer.
struct TDigestChallenge {
  std::string Realm;
  std::string Nonce;
  std::string Opaque;
  bool HasOpaque = false;
  TDigestAlgorithm Algorithm = TDigestAlgorithm::Md5;
  std::string AlgorithmName;  // as the server wrote it; empty when it named none
  bool QopAuth = false;       // qop=auth offered; without it the answer has no nc or cnonce
  bool Stale = false;         // the last answer was right but its nonce has expired
  // The protection space: the paths (absolute URIs reduced to theirs) under which requests
  // are answered before being refused; empty: the whole server.
  std::vector<std::string> Domain;
};

// Whether a request target (a path, or an absolute URI as proxies get it) lies in the
// challenge's protection space.
bool InDigestDomain(const TDigestChallenge& challenge, std::string_view target);

// The Digest challenge among challenges that we answer best: SHA-256 before MD5, the first of
// equals. Nothing when none names a nonce, an algorithm we know and (if it names one) the
// qop "auth".
std::optional<TDigestChallenge> ChooseDigest(const std::vector<TAuthChallenge>& challenges);

// Whether any of challenges is a Digest one, answerable or not.
bool OffersDigest(const std::vector<TAuthChallenge>& challenges);

// A fresh client nonce: 32 random hexadecimal digits.
std::string NewClientNonce();

// The value of an Authorization line answering challenge for a request with method and uri
// (the request target exactly as sent): "Digest username=...". count is the nonce count (nc)
// of this request, from 1 on. credentials is "user:password". Empty when the user name holds
// a character no header line may carry.
std::string DigestAuthorization(const TDigestChallenge& challenge, std::string_view credentials,
                                std::string_view method, std::string_view uri, std::uint32_t count,
                                std::string_view clientNonce);

}  // namespace vexilon
