#include "core/catalogue/PublishedUpdate.h"

#include <algorithm>

#include "core/app/AtomicFile.h"
#include "core/app/DebugLog.h"
#include "core/catalogue/Catalogue.h"
#include "core/catalogue/PublicationTime.h"
#include "core/catalogue/VersionFile.h"
#include "core/net/InternetControls.h"
#include "core/net/TlsSession.h"
#include "core/net/Url.h"

namespace vexilon {

namespace {

constexpr int kCheckSeconds = 10;
constexpr int kDownloadSeconds = 30;
// A version file is a header, an extension block and a size; anything near this is not one.
constexpr std::size_t kMaxVersionBytes = std::size_t{64} << 10;

}  // namespace

std::string VersionFilePath(std::string path) {
  if (!path.empty()) path.back() = 'v';
  return path;
}

int ProxyModeFor(int proxyType) {
  return proxyType >= 1 && proxyType <= 3 ? proxyType - 1 : -1;
}

TPublishedUpdate::TPublishedUpdate(TUpdatePrompts& prompts, TSettingsSource settings)
    : FPrompts(prompts), FSettings(std::move(settings)), FBias(StandardTimeBias) {}

bool TPublishedUpdate::Connect(THTTPControl& http, const std::string& address, int seconds) {
  const TNetSettings settings = FSettings ? FSettings() : TNetSettings{};
  http.TimeOut = seconds;
  http.ConnectTimeOut = seconds;
  http.Pump = [this] { FPrompts.PumpEvents(); };
  if (const int mode = ProxyModeFor(settings.ProxyType); mode >= 0) {
    http.Proxy = settings.Proxy;
    http.ProxyMode = mode;
  }
  http.Tls = IsHttpsUrl(address);
  const int defaultPort = http.Tls ? 443 : 80;
  const int port = UrlPort(address, defaultPort);
  http.Port = port;
  // The port goes with the host, so that a proxy is asked for the right one too.
  const std::string host = UrlHost(address);
  try {
    return http.ConnectTo(port == defaultPort ? host : host + ":" + std::to_string(port));
  } catch (const ETlsError& error) {
    // No update is offered from a server whose certificate does not hold.
    Log(std::string("Update check: ") + error.what());
    return false;
  }
}

bool TPublishedUpdate::CheckForUpdate(const std::string& address, std::uint32_t serial,
                                      const TSystemTime& time, bool mayOffer) {
  if (address.empty()) return false;
  FPrompts.SetWaitText("Checking for updates...");
  THTTPControl http;
  http.MaxResponse = kMaxVersionBytes;
  if (!Connect(http, address, kCheckSeconds)) return false;
  std::string head;
  std::string stream;
  bool ok = false;
  try {
    ok = http.GetFile(VersionFilePath(UrlPath(address)), "", head, stream);
  } catch (const EResponseTooLarge&) {
    return false;  // not a version file
  }
  http.Disconnect();
  TVersionFile version;
  if (!ok || head.empty() || !ParseVersionFile(stream, version)) return false;
  if (version.Serial == serial && version.Time == time) return false;
  if (!IsValidSystemTime(version.Time) || version.Size > kMaxUpdateBytes) return false;
  if (!mayOffer) {
    Log("Update check: the file just downloaded is not the edition announced; not offered again");
    return false;
  }
  FExpectedSize = version.Size;
  const TSystemTime local = UtcToLocalTime(version.Time, FBias ? FBias() : 0);
  return FPrompts.AskYesNo(
      "There is an update available.\r\nPublished at: " + FormatPublicationTime(local) + "\r\n" +
      "Do you want to download the new version?");
}

bool TPublishedUpdate::DownloadUpdate(const std::string& file, const std::string& address) {
  if (address.empty()) return false;
  FPrompts.SetWaitText("Downloading connection file...");
  THTTPControl http;
  // One byte beyond the expected size is enough to know it is wrong; more is never held.
  http.MaxResponse = std::max<std::size_t>(std::size_t{FExpectedSize} + 1, kMaxVersionBytes);
  if (!Connect(http, address, kDownloadSeconds)) return false;
  std::string head;
  std::string stream;
  bool ok = false;
  try {
    ok = http.GetFile(UrlPath(address), "", head, stream);
  } catch (const EResponseTooLarge&) {
    http.Disconnect();
    FPrompts.ShowError(kUpdateWrongSize);
    return false;
  }
  http.Disconnect();
  if (!ok || head.empty()) return false;
  if (stream.size() != FExpectedSize) {
    FPrompts.ShowError(kUpdateWrongSize);
    return false;
  }
  FPrompts.SetWaitText("Replacing connection file...");
  try {
    ReplaceFileKeepingBackup(file, ChangeFileExt(file, ".bak"), stream);
  } catch (const EFileWrite& e) {
    // The file loaded is still in place and stays the catalogue.
    FPrompts.ShowError(e.what());
    return false;
  }
  return true;
}

}  // namespace vexilon
