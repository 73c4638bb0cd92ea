#include "core/net/AuthSession.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <mutex>
#include <set>
#include <utility>

#include "core/net/Base64.h"

namespace vexilon {
namespace {

// The servers that asked for Digest. Keys come from the catalogue's addresses, never from a
// server's answer, so the set grows only with the cameras the user has.
struct TDigestServers {
  std::mutex Lock;
  std::set<std::string, std::less<>> Keys;
};

TDigestServers& DigestServers() {
  static TDigestServers servers;
  return servers;
}

void NoteDigestServer(const std::string& server) {
  TDigestServers& servers = DigestServers();
  std::lock_guard lock(servers.Lock);
  servers.Keys.insert(server);
}

}  // namespace

std::string AuthServerKey(std::string_view host, int port) {
  std::string key(host);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](char c) { return char(std::tolower(uint8_t(c))); });
  return key + ":" + std::to_string(port);
}

bool AsksForDigest(const std::string& server) {
  TDigestServers& servers = DigestServers();
  std::lock_guard lock(servers.Lock);
  return servers.Keys.contains(server);
}

std::string TAuthSession::Line(const std::string& server, std::string_view credentials,
                               std::string_view method, std::string_view target) {
  FSentDigest = false;
  FTarget = target;
  if (credentials.empty()) return {};
  // The challenge's own target is answered whatever the domain says.
  if (FChallenge && FServer == server && FCount < std::numeric_limits<std::uint32_t>::max() &&
      (InDigestDomain(*FChallenge, target) || target == FChallengeTarget)) {
    const std::string answer =
        DigestAuthorization(*FChallenge, credentials, method, target, FCount + 1, FClientNonce);
    if (answer.empty()) return {};
    ++FCount;
    FSentDigest = true;
    return "Authorization: " + answer + "\r\n";
  }
  if (AsksForDigest(server)) return {};  // its challenge comes with the refusal
  return "Authorization: Basic " + EncodeBase64(credentials) + "\r\n";
}

bool TAuthSession::Refused(const std::string& server, std::string_view head, bool haveCredentials) {
  const bool answeredDigest = FSentDigest && FServer == server;
  const bool retried = std::exchange(FRetried, false);
  FSentDigest = false;
  const auto challenges = ParseChallenges(ChallengeLines(head));
  if (challenges && OffersDigest(*challenges)) NoteDigestServer(server);
  FChallenge = challenges ? ChooseDigest(*challenges) : std::nullopt;
  if (!FChallenge) return false;
  FServer = server;
  FChallengeTarget = FTarget;
  FClientNonce = NewClientNonce();
  FCount = 0;
  if (!haveCredentials || retried || (answeredDigest && !FChallenge->Stale)) return false;
  FRetried = true;
  return true;
}

}  // namespace vexilon
