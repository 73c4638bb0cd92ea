#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/app/Settings.h"
#include "core/catalogue/CatalogueHost.h"

namespace vexilon {

class THTTPControl;

// What the update of a published file asks of the window that loads it.
class TUpdatePrompts {
 public:
  virtual ~TUpdatePrompts() = default;
  // Progress in the wait dialog of the load, when one is open.
  virtual void SetWaitText(const std::string& text) = 0;
  // A confirmation with Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual void ShowError(const std::string& text) = 0;
  // Lets the window's pending events run while the transfer waits.
  virtual void PumpEvents() {}
};

inline constexpr const char* kUpdateWrongSize =
    "Retrieved file was not the correct size.\r\nNew version not retrieved yet.";
// A published file larger than this is neither offered nor downloaded: the download is held
// in memory until its size is checked.
inline constexpr std::size_t kMaxUpdateBytes = std::size_t{64} << 20;

// The self-update of a published connection file from the web: a version file beside the
// published address tells serial, time and size of the latest edition; when it differs from
// the loaded file the user is asked, the edition downloaded, its size checked, and the old
// file kept as ".bak".
class TPublishedUpdate final : public TUpdateCheck {
 public:
  using TSettingsSource = std::function<TNetSettings()>;
  using TBiasSource = std::function<int()>;

  explicit TPublishedUpdate(TUpdatePrompts& prompts, TSettingsSource settings = NetSettings);

  bool CheckForUpdate(const std::string& address, std::uint32_t serial, const TSystemTime& time,
                      bool mayOffer) override;
  bool DownloadUpdate(const std::string& file, const std::string& address) override;

  // The size the last check announced, which the download must have.
  std::uint32_t ExpectedSize() const { return FExpectedSize; }
  // For tests: the time zone's bias in minutes (local standard time by default).
  void SetBiasSource(TBiasSource bias) { FBias = std::move(bias); }

 private:
  // The control for address, with the proxy settings; false when it did not connect.
  bool Connect(THTTPControl& http, const std::string& address, int seconds);

  TUpdatePrompts& FPrompts;
  TSettingsSource FSettings;
  TBiasSource FBias;
  std::uint32_t FExpectedSize = 0;
};

// The version file's path for a published file's path: its last character becomes "v".
std::string VersionFilePath(std::string path);

// The THTTPControl proxy mode for a PROXYTYPE (1 tunnel, 2 absolute addresses, 3 plain); -1
// for none.
int ProxyModeFor(int proxyType);

}  // namespace vexilon
