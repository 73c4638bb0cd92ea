#include "core/net/HttpFetcher.h"

#include "core/net/InternetControls.h"
#include "core/net/Url.h"

namespace vexilon {

THttpSuffixFetcher::THttpSuffixFetcher(TSettingsSource settings, std::function<bool()> terminating)
    : FSettings(std::move(settings)), FTerminating(std::move(terminating)) {}

std::optional<std::string> THttpSuffixFetcher::Fetch(const std::string& url) {
  const TNetSettings settings = FSettings ? FSettings() : TNetSettings{};
  const std::string host = UrlHost(url);
  if (host.empty()) return std::nullopt;
  const bool tls = IsHttpsUrl(url);
  const int defaultPort = tls ? 443 : 80;
  const int port = UrlPort(url, defaultPort);

  THTTPControl http;
  if (FResolver) http.Socket().SetResolver(FResolver);
  http.Host = port == defaultPort ? host : host + ":" + std::to_string(port);
  http.Port = port;
  http.Tls = tls;
  if (host == FPinnedHost) http.TlsPin = FCertPin;
  if (settings.ProxyType != 0 && !settings.Proxy.empty()) {
    http.Proxy = settings.Proxy;
    // PROXYTYPE 1 tunnels, 2 sends absolute addresses, 3 sends plain requests.
    http.ProxyMode = settings.ProxyType - 1;
  }
  const std::string user = UrlUser(url);
  const std::string password = UrlPassword(url);
  if (!user.empty() || !password.empty()) http.Credentials = user + ":" + password;
  http.Auth = &FAuth;

  const auto deadline = std::chrono::steady_clock::now() + FTimeLimit;
  bool late = false;
  const int seconds = int(std::chrono::ceil<std::chrono::seconds>(FTimeLimit).count());
  http.TimeOut = seconds;
  http.ConnectTimeOut = seconds;
  http.Terminating = [&] {
    if (FTerminating && FTerminating()) return late = true;
    if (std::chrono::steady_clock::now() >= deadline) return late = true;
    return false;
  };
  try {
    std::string head;
    std::string page;
    const bool ok = http.GetFile(UrlPath(url), "", head, page);
    http.Disconnect();
    if (!ok || late) return std::nullopt;
    return page;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace vexilon
