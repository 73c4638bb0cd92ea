// Connection threads, vexilonctl probe and outside clients against camsim --https, and
// servers that stall or garble the handshake.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/catalogue/WebConnect.h"
#include "core/net/HttpFetcher.h"
#include "core/net/InternetControls.h"
#include "core/net/VideoThread.h"
#include "support/CamSim.h"
#include "support/Command.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"
#include "support/TestClient.h"
#include "support/WaitingSink.h"

namespace vexilon {
namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;
constexpr int kAuto = int(TStreamFormat::Auto), kVod = int(TStreamFormat::Vod);
const std::string kWrongPin(95, '0');  // 00:00:… is nobody's certificate

// Also records the certificates the thread reports.
class TTlsSink : public TWaitingSink {
 public:
  void UntrustedCertificate(const std::string& fingerprint, const std::string&) override {
    std::lock_guard lock(FLock);
    FUntrusted = fingerprint;
  }
  void CertificateSeen(const std::string& fingerprint) override {
    std::lock_guard lock(FLock);
    FSeen = fingerprint;
  }
  std::string Report() {
    std::lock_guard lock(FLock);
    return "seen " + FSeen + " untrusted " + FUntrusted;
  }

 private:
  std::mutex FLock;
  std::string FSeen, FUntrusted;
};

TCamSim& HttpsCamSim() {
  static TCamSim sim({"--https", "--size", "160x120", "--fps", "50", "--loop", "1"});
  return sim;
}

// A plain camsim as the proxy; its own pictures are smaller than the camera's.
TCamSim& PlainProxy() {
  static TCamSim sim({"--size", "64x48"});
  return sim;
}

TNetSettings Proxied(int type) {
  TNetSettings settings;
  settings.Proxy = "127.0.0.1:" + std::to_string(PlainProxy().Port());
  settings.ProxyType = type;
  return settings;
}

class ThreadsHttps : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HttpsCamSim().Started()) << HttpsCamSim().Error();
    ASSERT_EQ(HttpsCamSim().Fingerprint().size(), 95u);
    ASSERT_TRUE(PlainProxy().Started()) << PlainProxy().Error();
  }
  static std::string Address(const std::string& path) {
    return "https://127.0.0.1:" + std::to_string(HttpsCamSim().Port()) + path;
  }
  std::unique_ptr<TVideoThread> Start(const std::string& address, const std::string& pin,
                                      int flags = kAuto, TNetSettings settings = {},
                                      std::chrono::milliseconds timeout = 2s) {
    TVideoConnect camera;
    camera.Web = address;
    camera.Flags = flags;
    camera.CertPin = pin;
    TConnectConfig config;
    config.Timeout = timeout;
    config.RetryDelay = 200ms;
    config.Settings = [settings] { return settings; };
    return std::make_unique<TVideoThread>(camera, sink, std::move(config));
  }
  // The first reason shown other than "Connecting to …", waiting up to within for it.
  std::string FirstFailure(std::chrono::milliseconds within = 5s) {
    std::string failure;
    sink->WaitUntil(
        [&](const TRecordingSink& s) {
          for (const std::string& state : s.States) {
            if (!state.empty() && !state.starts_with("Connecting to ")) {
              failure = state;
              return true;
            }
          }
          return false;
        },
        within);
    return failure;
  }

  std::shared_ptr<TTlsSink> sink = std::make_shared<TTlsSink>();
};

TEST_F(ThreadsHttps, FramingsStreamWithTheTrustedCertificateDirectlyAndThroughAProxy) {
  const std::string& fingerprint = HttpsCamSim().Fingerprint();
  std::string typed;  // as a user may type it: lower case without colons
  for (char c : fingerprint)
    if (c != ':') typed += char(std::tolower(c));
  const struct {
    const char* Target;
    int Flags;
    int ProxyType;  // 2 (absolute addresses) still tunnels: TLS must reach the camera
    std::string Pin;
  } cases[] = {
      {"/push", kAuto | kSimpleGetFlag, 0, fingerprint},
      {"/tagged", kAuto, 0, typed},
      {"/vod", kVod, 1, fingerprint},
      {"/push?nolength", kAuto, 2, fingerprint},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Target << " proxy " << c.ProxyType);
    sink = std::make_shared<TTlsSink>();
    auto thread = Start(Address(c.Target), c.Pin, c.Flags,
                        c.ProxyType != 0 ? Proxied(c.ProxyType) : TNetSettings{});
    ASSERT_TRUE(sink->WaitFrames(3, 3s)) << sink->Seen().PageText;
    thread.reset();
    for (const std::string& frame : sink->Seen().Frames) EXPECT_TRUE(IsJpegOfSize(frame, 160, 120));
    EXPECT_EQ(sink->Report(), "seen " + fingerprint + " untrusted ");
  }
  // An outside client sees the same server.
  const TCommandRun curl =
      RunCommand("curl -sk -o /dev/null -w '%{http_code}' " + Address("/still.jpg") + " 2>&1");
  EXPECT_EQ(curl.Out, "200");
}

TEST_F(ThreadsHttps, ARefusedCertificateIsSaidWithItsFingerprintAndTriedAgain) {
  const std::string& fingerprint = HttpsCamSim().Fingerprint();
  const std::string untrusted =
      "The camera's certificate is not trusted (self-signed "
      "certificate; SHA-256 " +
      fingerprint + "): trust it in the entry";
  const struct {
    std::string Pin;
    std::string Expected;
    int ProxyType = 0;
  } cases[] = {
      {"", untrusted},
      {"", untrusted, 1},
      {kWrongPin, "The camera's certificate has changed (now SHA-256 " + fingerprint +
                      "); it was trusted as " + kWrongPin + ": trust the new one in the entry"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Pin << " proxy " << c.ProxyType);
    sink = std::make_shared<TTlsSink>();
    auto thread = Start(Address("/push"), c.Pin, kAuto,
                        c.ProxyType != 0 ? Proxied(c.ProxyType) : TNetSettings{});
    EXPECT_EQ(FirstFailure(), c.Expected);
    // The usual schedule: another try after the retry delay.
    EXPECT_TRUE(sink->WaitUntil(
        [](const TRecordingSink& s) { return std::ranges::count(s.Indicators, 'c') >= 2; }, 3s))
        << sink->Seen().Indicators;
    thread.reset();
    EXPECT_EQ(sink->Seen().Frames.size(), 0u);
    EXPECT_EQ(sink->Report(), "seen  untrusted " + fingerprint);
  }
}

TEST_F(ThreadsHttps, AServerThatStallsOrGarblesTheHandshakeIsLeftWithinTheTimeout) {
  const struct {
    const char* Name;
    std::string Sent;  // then the server holds the line
    bool Closes;
    std::string Expected;
  } cases[] = {
      {"silence", "", false, "The camera did not finish the TLS handshake within 1 s"},
      {"half a record", std::string("\x16\x03\x03\x40\x00\x02", 6), false,
       "The camera did not finish the TLS handshake within 1 s"},
      {"plain HTTP", "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\n\r\n", false,
       "The camera's TLS handshake failed: "},
      {"binary garbage", std::string(300, '\xff'), false, "The camera's TLS handshake failed: "},
      {"close", "", true, "The camera closed the connection during the TLS handshake"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TLoopbackServer server([&c](TServerConnection& connection, int) {
      if (!c.Sent.empty()) connection.Send(c.Sent);
      if (!c.Closes) connection.Hold();
    });
    sink = std::make_shared<TTlsSink>();
    const auto start = TClock::now();
    auto thread =
        Start("https://127.0.0.1:" + std::to_string(server.Port()) + "/v", "", kAuto, {}, 1s);
    const std::string failure = FirstFailure();
    EXPECT_LT(TClock::now() - start, 1500ms);
    EXPECT_TRUE(failure.starts_with(c.Expected)) << failure;
    EXPECT_GT(failure.size(), c.Expected.size() - 1);
    thread.reset();
  }
}

TEST_F(ThreadsHttps, StopReturnsWithinASecondDuringAStalledHandshake) {
  TLoopbackServer server([](TServerConnection& connection, int) { connection.Hold(); });
  auto thread =
      Start("https://127.0.0.1:" + std::to_string(server.Port()) + "/v", "", kAuto, {}, 60s);
  ASSERT_TRUE(server.WaitConnections(1));
  std::this_thread::sleep_for(100ms);
  const auto start = TClock::now();
  EXPECT_TRUE(thread->Stop());
  EXPECT_LT(TClock::now() - start, 1s);
}

TEST_F(ThreadsHttps, PagesComeOverHttpsWithTheCamerasPinOnly) {
  const std::string& fingerprint = HttpsCamSim().Fingerprint();
  // Directly, through a tunnel, and through a proxy of absolute addresses, which tunnels too.
  for (const TNetSettings& settings : {TNetSettings{}, Proxied(1), Proxied(2)}) {
    THttpSuffixFetcher fetcher([settings] { return settings; });
    fetcher.SetCertPin(fingerprint, "127.0.0.1");
    const std::optional<std::string> page = fetcher.Fetch(Address("/page.html"));
    ASSERT_TRUE(page.has_value()) << settings.ProxyType;
    EXPECT_NE(page->find("<html>"), std::string::npos) << *page;
  }
  // Connected first, then fetched, as a published catalogue's update asks: directly, through a
  // tunnel, and through a proxy of absolute addresses.
  for (const int mode : {-1, 0, 1}) {
    THTTPControl http;
    http.Tls = true;
    http.TlsPin = fingerprint;
    if (mode >= 0) {
      http.Proxy = "127.0.0.1:" + std::to_string(PlainProxy().Port());
      http.ProxyMode = mode;
    }
    ASSERT_TRUE(http.ConnectTo("127.0.0.1:" + std::to_string(HttpsCamSim().Port()))) << mode;
    std::string head, page;
    EXPECT_TRUE(http.GetFile("/page.html", "", head, page)) << mode;
    EXPECT_NE(page.find("<html>"), std::string::npos) << mode;
  }
  // The pin is the camera's: a page of another host, or no pin, is refused.
  THttpSuffixFetcher other;
  other.SetCertPin(fingerprint, "camera.example");
  EXPECT_FALSE(other.Fetch(Address("/page.html")).has_value());
}

// A test authority made with openssl's command, and camsims serving certificates it signed.
TEST_F(ThreadsHttps, AnAuthoritysCertificateNeedsNoPinUnlessItIsForAnotherHost) {
  TTempDir dir;
  const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes";
  const TCommandRun authority =
      RunCommand("cd " + dir.Path() + " && openssl req -x509" + key +
                 " -keyout ca.key -out ca.pem -days 2 -subj /CN=Test-Authority 2>&1");
  ASSERT_EQ(authority.ExitCode, 0) << authority.Out;
  // Signs a certificate for names and puts it with its key into name.pem, camsim's --cert.
  const auto issue = [&](const std::string& name, const std::string& names) {
    const TCommandRun made = RunCommand(
        "cd " + dir.Path() + " && printf 'subjectAltName=" + names + "' > " + name +
        ".ext && openssl req" + key + " -keyout " + name + ".key -out " + name +
        ".csr -subj /CN=" + name + " 2>&1 && openssl x509 -req -in " + name +
        ".csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile " + name + ".ext -out " +
        name + ".crt 2>&1 && cat " + name + ".crt " + name + ".key > " + name + ".pem");
    EXPECT_EQ(made.ExitCode, 0) << made.Out;
    return dir.File(name + ".pem");
  };
  // Two thousand names before the right address make a certificate of about 50 KB.
  std::string absurdNames;
  for (int i = 0; i < 2000; ++i) absurdNames += "DNS:name" + std::to_string(i) + ".example,";
  TCamSim camera({"--cert", issue("camera", "IP:127.0.0.1")});
  TCamSim elsewhere({"--cert", issue("elsewhere", "DNS:camera.example")});
  TCamSim absurd({"--cert", issue("absurd", absurdNames + "IP:127.0.0.1")});
  ASSERT_TRUE(camera.Started()) << camera.Error();
  ASSERT_TRUE(elsewhere.Started()) << elsewhere.Error();
  ASSERT_TRUE(absurd.Started()) << absurd.Error();
  // The probe runs with the authority in its trust store, as an installed one would be.
  const auto probe = [&](const TCamSim& sim, const std::string& store) {
    return RunCommand("SSL_CERT_FILE=" + store + " " + VEXILONCTL_PATH +
                      " probe https://127.0.0.1:" + std::to_string(sim.Port()) +
                      "/push --frames 2 --seconds 5");
  };
  for (const TCamSim* sim : {&camera, &absurd}) {
    const TCommandRun trusted = probe(*sim, dir.File("ca.pem"));
    EXPECT_EQ(trusted.ExitCode, 0) << trusted.Err;
  }
  const TCommandRun unknown = probe(camera, dir.File("none.pem"));
  EXPECT_NE(unknown.Err.find("not trusted (unable to get local issuer certificate)"),
            std::string::npos)
      << unknown.Err;
  const TCommandRun otherHost = probe(elsewhere, dir.File("ca.pem"));
  EXPECT_NE(otherHost.Err.find("not trusted (IP address mismatch)"), std::string::npos)
      << otherHost.Err;
}

TEST_F(ThreadsHttps, ProbeSaysTheCertificateAndTakesTheTrustedOne) {
  const std::string& fingerprint = HttpsCamSim().Fingerprint();
  const std::string probe =
      std::string(VEXILONCTL_PATH) + " probe " + Address("/push") + " --frames 2 --seconds 5";
  const TCommandRun untrusted = RunCommand(probe);
  EXPECT_EQ(untrusted.ExitCode, 1);
  EXPECT_NE(untrusted.Out.find("certificate sha256=" + fingerprint + "\n"), std::string::npos);
  EXPECT_NE(
      untrusted.Err.find("not trusted (self-signed certificate): give --trust " + fingerprint),
      std::string::npos)
      << untrusted.Err;
  const TCommandRun trusted = RunCommand(probe + " --trust " + fingerprint);
  EXPECT_EQ(trusted.ExitCode, 0) << trusted.Err;
  EXPECT_NE(trusted.Out.find("frames=2 "), std::string::npos) << trusted.Out;
  EXPECT_NE(trusted.Out.find("certificate sha256=" + fingerprint + "\n"), std::string::npos);
  EXPECT_EQ(RunCommand(probe + " --trust AB:CD").ExitCode, 2);
}

}  // namespace
}  // namespace vexilon
