// A server's WWW-Authenticate lines: whatever a response head holds, reading its challenges
// stays within the bounds, a value read never carries a line break, and the Digest answer
// built from it is one header line that the same grammar reads back with the server's values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "core/net/AuthChallenge.h"
#include "core/net/AuthSession.h"
#include "core/net/DigestAuth.h"

using namespace vexilon;

namespace {

bool OneLine(std::string_view text) {
  for (const char c : text) {
    if (c == '\r' || c == '\n' || c == '\0') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view head(reinterpret_cast<const char*>(data), size);
  const auto lines = ChallengeLines(head);
  Check(lines.size() <= kMaxChallengeLines + 1);
  const auto challenges = ParseChallenges(lines);
  if (!challenges) return 0;
  std::size_t params = 0;
  for (const TAuthChallenge& challenge : *challenges) {
    Check(!challenge.Scheme.empty() && OneLine(challenge.Scheme) && OneLine(challenge.Token68));
    for (const auto& [name, value] : challenge.Params) Check(OneLine(name) && OneLine(value));
    params += challenge.Params.size();
  }
  Check(params <= kMaxChallengeParams);

  const auto digest = ChooseDigest(*challenges);
  if (digest) {
    const std::string answer =
        DigestAuthorization(*digest, "user \"q\":pass", "GET", "/p?a=\"b\"", 1, "cnonce");
    Check(answer.starts_with("Digest ") && OneLine(answer));
    const auto read = ParseChallenges({answer});
    if (answer.size() <= kMaxChallengeBytes) {
      Check(read && read->size() == 1);
      const TAuthChallenge& back = read->front();
      Check(back.Param("realm") == digest->Realm && back.Param("nonce") == digest->Nonce &&
            back.Param("opaque") == digest->Opaque && back.Param("username") == "user \"q\"" &&
            back.Param("uri") == "/p?a=\"b\"");
    }
  }

  TAuthSession session;
  const std::string server = AuthServerKey("fuzz.invalid", 80);
  const bool again = session.Refused(server, head, true);
  Check(!again || digest.has_value());
  const std::string line = session.Line(server, "u:p", "GET", "/");
  Check(line.empty() || (line.ends_with("\r\n") && OneLine(line.substr(0, line.size() - 2))));
  return 0;
}
