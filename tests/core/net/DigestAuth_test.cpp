#include "core/net/DigestAuth.h"

#include <gtest/gtest.h>

#include "core/net/AuthChallenge.h"
#include "core/net/AuthSession.h"

namespace vexilon {
namespace {

// "scheme{name=value,...}[token68]" for each challenge, joined by ";"; "?" when not understood.
std::string Summary(const std::vector<std::string_view>& values) {
  const auto challenges = ParseChallenges(values);
  if (!challenges) return "?";
  std::string out;
  for (const TAuthChallenge& c : *challenges) {
    if (!out.empty()) out += ";";
    out += c.Scheme + "{";
    for (const auto& [name, value] : c.Params) out += name + "=" + value + ",";
    out += "}" + c.Token68;
  }
  return out;
}

std::string Many(const std::string& item, size_t count) {
  std::string out = "Digest ";
  for (size_t i = 0; i < count; ++i) out += (i > 0 ? ", " : "") + item;
  return out;
}

TEST(AuthChallenge, ChallengesAreReadOrNotUnderstood) {
  const std::string huge = "Digest nonce=\"" + std::string(kMaxChallengeBytes, 'n') + "\"";
  const struct {
    std::vector<std::string> Values;
    std::string Expected;
  } cases[] = {
      {{"Basic realm=\"camsim\""}, "basic{realm=camsim,}"},
      {{"Digest realm=\"a\", qop=\"auth,auth-int\", nonce=n0=="},
       "digest{realm=a,qop=auth,auth-int,nonce=n0==,}"},
      // Several in one line and in several lines; letter case, spaces and empty items.
      {{"Digest realm=\"a\", nonce=\"n\", Basic realm=\"b\""},
       "digest{realm=a,nonce=n,};basic{realm=b,}"},
      {{"Basic realm=x", " ,DIGEST Realm = \"r\" ,, NONCE=n "},
       "basic{realm=x,};digest{realm=r,nonce=n,}"},
      {{"Negotiate YWJj/+==, Basic"}, "negotiate{}YWJj/+==;basic{}"},
      {{R"(Digest realm="say \"hi\" \\ there", nonce="a,b=c")"},
       "digest{realm=say \"hi\" \\ there,nonce=a,b=c,}"},
      {{}, ""},
      // Not understood.
      {{"Digest realm=\"abc"}, "?"},
      {{"Digest realm=\"abc\\"}, "?"},
      {{"Digest realm=\"a\rb\""}, "?"},
      {{"realm=\"a\""}, "?"},
      {{"Digest realm=\"a\" nonce=\"b\""}, "?"},
      {{"Digest nonce=n, realm="}, "?"},
      {{"Digest realm==a"}, "?"},
      {{"Newauth abc def"}, "?"},
      {{"Basic realm=x", "Digest nonce=\"open"}, "?"},
      {{Many("a=b", kMaxChallengeParams + 1)}, "?"},
      {{huge}, "?"},
      {std::vector<std::string>(kMaxChallengeLines + 1, "Basic"), "?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Values.empty() ? "" : c.Values[0].substr(0, 60));
    EXPECT_EQ(Summary({c.Values.begin(), c.Values.end()}), c.Expected);
  }
  // The bounds themselves still pass.
  EXPECT_NE(Summary({Many("a=b", kMaxChallengeParams)}), "?");

  const std::string head =
      "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=a\r\nX-WWW-Authenticate: no\r\n"
      "www-authenticate : Digest nonce=n \r\nwww-authenticate\r\n\r\n";
  EXPECT_EQ(ChallengeLines(head),
            (std::vector<std::string_view>{"Basic realm=a", "Digest nonce=n"}));
}

TEST(DigestAuth, TheStrongestAnswerableChallengeIsChosen) {
  const struct {
    std::string Value;
    std::string Nonce;  // of the challenge chosen; empty for none
    TDigestAlgorithm Algorithm = TDigestAlgorithm::Md5;
    bool Stale = false;
  } cases[] = {
      {"Digest nonce=a, algorithm=MD5, Digest nonce=b, algorithm=SHA-256, Digest nonce=c", "b",
       TDigestAlgorithm::Sha256},
      {"Digest nonce=a, Digest nonce=b, algorithm=md5-SESS", "a"},
      {"Digest nonce=a, algorithm=SHA-512-256, Digest nonce=b, algorithm=SHA-256-sess", "b",
       TDigestAlgorithm::Sha256Sess},
      {"Digest nonce=a, qop=\"auth-int\"", ""},
      {"Digest realm=r", ""},
      {"Basic realm=r", ""},
      {"Digest nonce=a, stale=TRUE", "a", TDigestAlgorithm::Md5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Value);
    const auto digest = ChooseDigest(*ParseChallenges({c.Value}));
    ASSERT_EQ(digest.has_value(), !c.Nonce.empty());
    if (!digest) continue;
    EXPECT_EQ(digest->Nonce, c.Nonce);
    EXPECT_EQ(digest->Algorithm, c.Algorithm);
    EXPECT_EQ(digest->Stale, c.Stale);
  }
}

TEST(DigestAuth, TheDomainBoundsWhereAChallengeIsAnsweredUnasked) {
  const auto digest = ChooseDigest(*ParseChallenges(
      {"Digest nonce=a, domain=\"/video  http://cam.test:81/snap/ http://cam.test\""}));
  ASSERT_TRUE(digest.has_value());
  EXPECT_EQ(digest->Domain, (std::vector<std::string>{"/video", "/snap/", "/"}));
  const auto narrow = ChooseDigest(*ParseChallenges({"Digest nonce=a, domain=\"/video /snap/\""}));
  for (const auto& [target, inside] :
       std::vector<std::pair<std::string, bool>>{{"/video/1", true},
                                                 {"/video?x", true},
                                                 {"http://cam.test:81/snap/a.jpg", true},
                                                 {"/snap", false},
                                                 {"/audio", false},
                                                 {"http://cam.test/", false}}) {
    EXPECT_EQ(InDigestDomain(*narrow, target), inside) << target;
  }
  // A request outside is sent without credentials; the challenge it gets is answered for it.
  const std::string server = AuthServerKey("domain.test", 80);
  TAuthSession session;
  session.Line(server, "u:p", "GET", "/video");
  session.Refused(server,
                  "HTTP/1.0 401 No\r\nWWW-Authenticate: Digest nonce=n, domain=\"/video\"\r\n\r\n",
                  true);
  EXPECT_NE(session.Line(server, "u:p", "GET", "/video/2"), "");
  session.Answered();
  EXPECT_EQ(session.Line(server, "u:p", "GET", "/audio"), "");
  EXPECT_TRUE(session.Refused(
      server, "HTTP/1.0 401 No\r\nWWW-Authenticate: Digest nonce=m, domain=\"/video\"\r\n\r\n",
      true));
  EXPECT_NE(session.Line(server, "u:p", "GET", "/audio"), "");
}

TEST(DigestAuth, AnswersMatchKnownResponses) {
  // RFC 7616 section 3.9.1; the rows without qop and with -sess computed elsewhere from it.
  const struct {
    const char* Algorithm;
    bool Qop;
    const char* Response;
  } cases[] = {
      {"MD5", true, "8ca523f5e9506fed4657c9700eebdbec"},
      {"SHA-256", true, "753927fa0e85d155564e2e272a28d1802ca10daf4496794697cf8db5856cb6c1"},
      {"MD5", false, "7b2cc3b30e75b4777ea31027084363fd"},
      {"SHA-256-sess", true, "2fd51b3a77ad75bad6afad6003e818d767133c46d9e2749e7f5232ae1ea3efd7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Algorithm);
    const std::string value = std::string("Digest realm=\"http-auth@example.org\", algorithm=") +
                              c.Algorithm + (c.Qop ? ", qop=\"auth, auth-int\"" : "") +
                              ", nonce=\"7ypf/xlj9XXwfDPEoM4URrv/xwf94BcCAzFZH4GiTo0v\", "
                              "opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\"";
    const auto challenge = ChooseDigest(*ParseChallenges({value}));
    ASSERT_TRUE(challenge);
    const std::string line =
        DigestAuthorization(*challenge, "Mufasa:Circle of Life", "GET", "/dir/index.html", 1,
                            "f2/wE4q74E6zIJEtWaHKaf5wv/H5QzzpXusqGemxURZJ");
    EXPECT_NE(line.find(std::string("response=\"") + c.Response + "\""), std::string::npos) << line;
    EXPECT_TRUE(line.starts_with("Digest username=\"Mufasa\", realm=\"http-auth@example.org\""));
    EXPECT_NE(line.find(", algorithm=" + std::string(c.Algorithm)), std::string::npos);
    EXPECT_EQ(line.find("nc=00000001") != std::string::npos, c.Qop);
    EXPECT_NE(line.find("opaque=\"FQhe/qaU925kfnzjCev0ciny7QMkPqMAFRtzCUYo5tdS\""),
              std::string::npos);
  }
  TDigestChallenge plain;
  plain.Realm = "r";
  plain.Nonce = "n";
  // Quotes in a name are escaped; a line break cannot be sent at all.
  EXPECT_TRUE(DigestAuthorization(plain, "a\"b:pw", "GET", "/", 1, "c")
                  .starts_with(R"(Digest username="a\"b")"));
  EXPECT_EQ(DigestAuthorization(plain, "a\r\nX: y:pw", "GET", "/", 1, "c"), "");
}

TEST(AuthSession, DigestIsAnsweredAtOnceOnlyWhenARetryCanHelp) {
  const std::string server = AuthServerKey("Session.Test", 81);
  const std::string other = AuthServerKey("other.test", 81);
  const auto refusal = [](const std::string& nonce, bool stale) {
    return "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\", Digest realm=\"r\", "
           "qop=\"auth\", nonce=\"" +
           nonce + "\"" + (stale ? ", stale=true" : "") + "\r\n\r\n";
  };
  const auto line = [](TAuthSession& session, const std::string& to) {
    return session.Line(to, "u:p", "GET", "/v");
  };
  TAuthSession session;
  EXPECT_EQ(line(session, server), "Authorization: Basic dTpw\r\n");
  EXPECT_TRUE(session.Refused(server, refusal("n1", false), true));
  EXPECT_TRUE(AsksForDigest(server));
  // The nonce serves request after request, counted.
  EXPECT_NE(line(session, server).find("nonce=\"n1\", uri=\"/v\", qop=auth, nc=00000001"),
            std::string::npos);
  session.Answered();
  EXPECT_NE(line(session, server).find("nc=00000002"), std::string::npos);
  // An expired nonce is answered at once, but not twice in a row.
  EXPECT_TRUE(session.Refused(server, refusal("n2", true), true));
  EXPECT_NE(line(session, server).find("nonce=\"n2\", uri=\"/v\", qop=auth, nc=00000001"),
            std::string::npos);
  EXPECT_FALSE(session.Refused(server, refusal("n3", true), true));
  // A wrong password: the refusal of a fresh answer is final.
  line(session, server);
  EXPECT_FALSE(session.Refused(server, refusal("n4", false), true));
  // Without credentials nothing helps.
  TAuthSession empty;
  EXPECT_EQ(empty.Line(server, "", "GET", "/v"), "");
  EXPECT_FALSE(empty.Refused(server, refusal("n5", false), false));
  // A new client never sends Basic to a server that asked for Digest; other servers still get it.
  TAuthSession next;
  EXPECT_EQ(line(next, server), "");
  EXPECT_EQ(line(next, other), "Authorization: Basic dTpw\r\n");
  EXPECT_FALSE(next.Refused(other, "HTTP/1.0 401 No\r\nWWW-Authenticate: Basic\r\n\r\n", true));
  EXPECT_FALSE(AsksForDigest(other));
}

}  // namespace
}  // namespace vexilon
