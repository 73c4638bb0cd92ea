#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace vexilon {

// Where a window was and how large: "LEFT TOP WIDTH HEIGHT MAXIMISED" in the file.
struct TWindowPlace {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Maximized = false;
  bool Known() const { return Width > 0 && Height > 0; }
  bool operator==(const TWindowPlace&) const = default;
};

// What the viewer remembers of its windows and sound between runs. Kept under keys of their
// own after the options, written only when they differ from a fresh start, so files of older
// versions read the same and older versions ignore them.
struct TRemembered {
  int TreeWidth = 0;                  // TREEWIDTH: the catalogue panel's width; 0 default
  std::vector<std::string> Expanded;  // EXPANDED, one line each: catalogue paths of open folders
  TWindowPlace MainWindow;            // MAINWINDOW
  TWindowPlace DesktopWindow;         // DESKTOPWINDOW: the last further desktop window
  TWindowPlace FlashbackWindow;       // FLASHBACKWINDOW: its size
  TWindowPlace PlaybackWindow;        // PLAYBACKWINDOW: its size
  int Volume = 100;                   // VOLUME: percent
  bool Mute = false;                  // MUTE
};

// Folders beyond this many are not remembered as open.
inline constexpr std::size_t kMaxRememberedFolders = 1000;

// The ranges the Options menu offers; a value read from a file is held to them, since a
// timeout of zero seconds would reset every connection at once.
struct TSettingRange {
  int Low, High;
  int Clamp(int value) const { return value < Low ? Low : value > High ? High : value; }
};
inline constexpr TSettingRange kTimeoutRange{1, 600};
inline constexpr TSettingRange kFlashbackRange{0, 100};
inline constexpr TSettingRange kCpuUsageRange{0, 100};
inline constexpr TSettingRange kAudioBufferRange{1, 100};
inline constexpr TSettingRange kResetClientRange{0, 3};
inline constexpr TSettingRange kProxyTypeRange{0, 3};
inline constexpr TSettingRange kVolumeRange{0, 100};
inline constexpr int kDefaultAudioBuffer = 20;
// A configuration file is a few hundred bytes; anything beyond a few MiB is not ours.
inline constexpr std::size_t kMaxSettingsBytes = std::size_t{16} << 20;

// The process-wide options of the viewer, kept in the configuration file Vexilon.ini.
struct TSettings {
  int Timeout = 15;           // TIMEOUT: seconds without data before a connection is reset
  std::string Proxy;          // PROXY: "host" or "host:port"
  int ProxyType = 0;          // PROXYTYPE: 0 none, 1 CONNECT, 2 extended GET, 3 Host line only
  bool Aspect = true;         // ASPECT: keep the picture's aspect ratio
  int Flashback = 0;          // FLASHBACK: frames kept per camera window
  bool ResetSize = false;     // RESETSIZE: entries follow their camera's picture size
  int ResetClient = 0;        // RESETCLIENT: window reformatting mode 0..3
  bool AudioOutput = false;   // AUDIOOUTPUT
  int AudioBuffer = 20;       // AUDIOBUFFER: frames buffered before playback starts
  int AudioBufferCount = 40;  // always AudioBuffer + 20
  int CpuUsage = 99;          // CPUUSAGE
  std::array<std::string, 4> User;  // USER1..USER4
  TRemembered Remembered;

  // Sets AUDIOBUFFER and keeps the buffer count in step.
  void SetAudioBuffer(int frames);
};

// The one settings object of the process. Written on the UI thread only.
TSettings& Settings();

// Set when a user setting string changed without being written yet.
extern bool SettingsChanged;

// The settings a connection thread reads while the user may be changing them. The threads
// never read TSettings itself (a PROXY string may be half assigned): they take a copy of
// what the user-interface thread last published.
struct TNetSettings {
  int Timeout = 15;
  std::string Proxy;
  int ProxyType = 0;
  int CpuUsage = 99;
};

// Publishes the connection settings of settings to the threads. ReadSettings and
// WriteSettings do it for the process's own Settings(); a caller that changes Settings()
// without writing the file calls it itself.
void PublishNetSettings(const TSettings& settings);

// A copy of the connection settings last published; safe from any thread.
TNetSettings NetSettings();

// Reads file into settings, keys in any order; answers false (settings untouched) when the
// file does not exist.
bool ReadSettings(const std::string& file, TSettings& settings);

// The exact text of the configuration file for settings, lines ended by CR LF.
std::string FormatSettings(const TSettings& settings);

// Rewrites file (atomically) from settings and clears SettingsChanged; throws EFileWrite.
void WriteSettings(const std::string& file, const TSettings& settings);

}  // namespace vexilon
