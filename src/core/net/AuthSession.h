#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/net/DigestAuth.h"

namespace vexilon {

// The key under which a server's way of authentication is remembered: "host:port", the host
// in lower case.
std::string AuthServerKey(std::string_view host, int port);

// Whether server asked for Digest authentication at any time in this process: it never gets
// Basic credentials again, which would give it the password in clear.
bool AsksForDigest(const std::string& server);

// What one client (a connection thread, a page fetcher) keeps of a server's authentication
// between its requests: the last Digest challenge, so that each new request answers it with
// the next nonce count instead of first being refused. Not thread-safe: one client, one thread.
class TAuthSession {
 public:
  // The Authorization line, with its CR LF, for a request to server with method and target
  // (exactly as the request line has it); empty when none is to be sent. A Digest challenge
  // is answered within its domain; without one, credentials go by Basic authentication, as
  // long as the server never asked for Digest.
  std::string Line(const std::string& server, std::string_view credentials, std::string_view method,
                   std::string_view target);

  // The server answered 401 with head: its Digest challenge, if any, is taken for the next
  // request. True when that request should go at once without counting as a failure: the
  // last one did not answer a Digest challenge, or its nonce had merely expired. Two such
  // retries never come in a row, so a server that keeps refusing gets one request per retry.
  bool Refused(const std::string& server, std::string_view head, bool haveCredentials);
  // The server answered with something other than 401.
  void Answered() { FRetried = false; }

 private:
  std::string FServer;           // whose challenge FChallenge is
  std::string FTarget;           // of the last request
  std::string FChallengeTarget;  // of the request FChallenge refused
  std::optional<TDigestChallenge> FChallenge;
  std::string FClientNonce;
  std::uint32_t FCount = 0;  // nonce count of the last request that answered FChallenge
  bool FSentDigest = false;  // the last request answered a Digest challenge
  bool FRetried = false;     // the last request was itself an at-once retry
};

}  // namespace vexilon
