#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "core/app/Settings.h"
#include "core/net/AuthSession.h"
#include "core/net/ClientSocket.h"
#include "core/net/SuffixItems.h"

namespace vexilon {

// Fetches the pages of suffix items with THTTPControl, through the PROXY setting whenever
// PROXYTYPE is not 0 (CONNECT, absolute address or plain, as the camera requests go). A
// fetch that has not finished within its time limit counts as failed. A fetcher serves one
// connection thread: it keeps a server's Digest challenge from one fetch to the next.
class THttpSuffixFetcher : public TSuffixFetcher {
 public:
  using TSettingsSource = std::function<TNetSettings()>;

  // terminating ends a fetch at once (the connection thread is stopping); may be empty.
  explicit THttpSuffixFetcher(TSettingsSource settings = NetSettings,
                              std::function<bool()> terminating = {});

  std::optional<std::string> Fetch(const std::string& url) override;

  void SetTimeLimit(std::chrono::milliseconds limit) { FTimeLimit = limit; }
  void SetResolver(TResolver resolver) { FResolver = std::move(resolver); }
  // The certificate trusted for the camera's own https:// pages (host: the camera's).
  void SetCertPin(std::string pin, std::string host) {
    FCertPin = std::move(pin);
    FPinnedHost = std::move(host);
  }

 private:
  TSettingsSource FSettings;
  std::function<bool()> FTerminating;
  std::chrono::milliseconds FTimeLimit{15000};
  TResolver FResolver;
  TAuthSession FAuth;
  std::string FCertPin, FPinnedHost;
};

}  // namespace vexilon
