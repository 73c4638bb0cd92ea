#pragma once
#include <cstdint>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace vexilon::camsim {

struct TRequest;

// What a path asks with digest=USER:PASS: the algorithms it offers (algorithm=MD5,SHA-256;
// none named means MD5 left unsaid), qop=auth unless noqop, and stale=N.
struct TDigestAsk {
  std::string Credentials;
  std::vector<std::string> Algorithms;
  bool Qop = true;
  long StaleEvery = 0;  // the Nth use of a nonce is refused as stale; 0 never

  // Reads the query; false with a reason when it names an algorithm camsim does not know.
  static bool From(const TRequest& request, TDigestAsk& ask, std::string& error);
};

// Digest authentication as a camera does it (RFC 7616): the nonces camsim gave out, each
// answer checked against them with its own hashes, and a nonce count that must grow.
class TDigestGate {
 public:
  TDigestGate();

  // Empty when request answers one of our challenges for ask; otherwise the WWW-Authenticate
  // line (with CR LF) of the 401 answer, stale=true when only the nonce was out of date.
  std::string Check(const TRequest& request, const TDigestAsk& ask);

 private:
  struct TNonce {
    std::string Value;
    std::uint64_t LastCount = 0;
    long Uses = 0;
  };
  // Only the newest nonces are kept, so that many clients cannot grow the list.
  static constexpr std::size_t kMaxNonces = 256;

  std::string Challenge(const TDigestAsk& ask, bool stale);

  std::mutex FLock;
  std::deque<TNonce> FNonces;
  std::mt19937_64 FRandom;
  const std::string FOpaque;
};

}  // namespace vexilon::camsim
