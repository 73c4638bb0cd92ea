#include "core/app/Settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <mutex>
#include <string_view>

#include "core/app/AtomicFile.h"

namespace vexilon {

bool SettingsChanged = false;

void TSettings::SetAudioBuffer(int frames) {
  AudioBuffer = frames;
  AudioBufferCount = frames + 20;
}

TSettings& Settings() {
  static TSettings settings;
  return settings;
}

namespace {

std::mutex gNetSettingsLock;

TNetSettings& PublishedNetSettings() {
  static TNetSettings published;
  return published;
}

}  // namespace

void PublishNetSettings(const TSettings& settings) {
  TNetSettings copy{settings.Timeout, settings.Proxy, settings.ProxyType, settings.CpuUsage};
  std::lock_guard lock(gNetSettingsLock);
  PublishedNetSettings() = std::move(copy);
}

TNetSettings NetSettings() {
  std::lock_guard lock(gNetSettingsLock);
  return PublishedNetSettings();
}

namespace {

// A signed decimal integer filling the whole text, else fallback.
int IntegerOr(std::string_view text, int fallback) {
  int value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) return fallback;
  return value;
}

bool IsWordSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view FirstWord(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsWordSeparator(text[start])) ++start;
  std::size_t end = start;
  while (end < text.size() && !IsWordSeparator(text[end])) ++end;
  return text.substr(start, end - start);
}

// Only an explicit "0" turns a switch off, so an empty or damaged value keeps it on.
bool SwitchOn(std::string_view value) {
  return FirstWord(value) != "0";
}

std::string Upper(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

// Sizes and positions from the file are held to what a screen could show.
constexpr int kMaxPlace = 100000;

TWindowPlace ParsePlace(std::string_view value) {
  std::array<int, 5> numbers{};
  std::size_t at = 0;
  for (int& number : numbers) {
    while (at < value.size() && value[at] == ' ') ++at;
    const std::size_t end = std::min(value.find(' ', at), value.size());
    number = std::clamp(IntegerOr(value.substr(at, end - at), 0), -kMaxPlace, kMaxPlace);
    at = end;
  }
  TWindowPlace place{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4] != 0};
  return place.Known() ? place : TWindowPlace();
}

std::string FormatPlace(const TWindowPlace& place) {
  return std::to_string(place.Left) + " " + std::to_string(place.Top) + " " +
         std::to_string(place.Width) + " " + std::to_string(place.Height) + " " +
         (place.Maximized ? "1" : "0");
}

void ApplyRemembered(const std::string& key, std::string_view value, TRemembered& remembered) {
  if (key == "TREEWIDTH") {
    remembered.TreeWidth = std::clamp(IntegerOr(value, 0), 0, kMaxPlace);
  } else if (key == "EXPANDED") {
    if (!value.empty() && remembered.Expanded.size() < kMaxRememberedFolders)
      remembered.Expanded.emplace_back(value);
  } else if (key == "MAINWINDOW") {
    remembered.MainWindow = ParsePlace(value);
  } else if (key == "DESKTOPWINDOW") {
    remembered.DesktopWindow = ParsePlace(value);
  } else if (key == "FLASHBACKWINDOW") {
    remembered.FlashbackWindow = ParsePlace(value);
  } else if (key == "PLAYBACKWINDOW") {
    remembered.PlaybackWindow = ParsePlace(value);
  } else if (key == "VOLUME") {
    remembered.Volume = kVolumeRange.Clamp(IntegerOr(value, kVolumeRange.High));
  } else if (key == "MUTE") {
    remembered.Mute = SwitchOn(value);
  }
}

void AppendRemembered(const TRemembered& remembered, std::string& text) {
  const TRemembered fresh;
  auto line = [&text](std::string_view key, const std::string& value) {
    text.append(key).append(value).append("\r\n");
  };
  if (remembered.TreeWidth != fresh.TreeWidth)
    line("TREEWIDTH=", std::to_string(remembered.TreeWidth));
  for (const std::string& path : remembered.Expanded) line("EXPANDED=", path);
  const std::pair<const char*, const TWindowPlace*> places[] = {
      {"MAINWINDOW=", &remembered.MainWindow},
      {"DESKTOPWINDOW=", &remembered.DesktopWindow},
      {"FLASHBACKWINDOW=", &remembered.FlashbackWindow},
      {"PLAYBACKWINDOW=", &remembered.PlaybackWindow}};
  for (const auto& [key, place] : places)
    if (place->Known()) line(key, FormatPlace(*place));
  if (remembered.Volume != fresh.Volume) line("VOLUME=", std::to_string(remembered.Volume));
  if (remembered.Mute) line("MUTE=", "1");
}

void ApplyLine(std::string_view line, TSettings& settings) {
  if (line.empty() || line.front() == ';') return;
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  std::string key = Upper(line.substr(0, equals));
  std::string_view value = line.substr(equals + 1);
  if (key == "PROXY") {
    settings.Proxy = std::string(value);
    settings.ProxyType = value.empty() ? 0 : 1;
  } else if (key == "PROXYTYPE") {
    // An unknown type leaves the one the PROXY line implied.
    const int type = IntegerOr(value, 0);
    if (type == kProxyTypeRange.Clamp(type)) settings.ProxyType = type;
  } else if (key == "TIMEOUT") {
    settings.Timeout = kTimeoutRange.Clamp(IntegerOr(value, 15));
  } else if (key == "FLASHBACK") {
    settings.Flashback = kFlashbackRange.Clamp(IntegerOr(value, 0));
  } else if (key == "CPUUSAGE") {
    settings.CpuUsage = kCpuUsageRange.Clamp(IntegerOr(value, 99));
  } else if (key == "ASPECT") {
    settings.Aspect = SwitchOn(value);
  } else if (key == "RESETSIZE") {
    settings.ResetSize = SwitchOn(value);
  } else if (key == "AUDIOOUTPUT") {
    settings.AudioOutput = SwitchOn(value);
  } else if (key == "RESETCLIENT") {
    // An unknown mode is no mode.
    const int mode = IntegerOr(FirstWord(value), 0);
    settings.ResetClient = mode == kResetClientRange.Clamp(mode) ? mode : 0;
  } else if (key == "AUDIOBUFFER") {
    const int frames = IntegerOr(FirstWord(value), kDefaultAudioBuffer);
    settings.SetAudioBuffer(frames == kAudioBufferRange.Clamp(frames) ? frames
                                                                      : kDefaultAudioBuffer);
  } else if (key.size() == 5 && key.starts_with("USER") && key[4] >= '1' && key[4] <= '4') {
    settings.User[key[4] - '1'] = std::string(value);
  } else {
    ApplyRemembered(key, value, settings.Remembered);
  }
}

}  // namespace

bool ReadSettings(const std::string& file, TSettings& settings) {
  std::string content;
  if (!ReadWholeFile(file, content, kMaxSettingsBytes)) return false;
  std::string_view rest(content);
  settings.Remembered.Expanded.clear();  // the file's list replaces the one in memory
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of("\r\n");
    std::string_view line = rest.substr(0, end);
    ApplyLine(line, settings);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (&settings == &Settings()) PublishNetSettings(settings);
  return true;
}

std::string FormatSettings(const TSettings& settings) {
  std::string text;
  auto line = [&text](std::string_view key, std::string_view value) {
    text.append(key).append(value).append("\r\n");
  };
  auto flag = [](bool on) { return on ? "1" : "0"; };
  text.append("; Vexilon individual configuration file\r\n");
  line("TIMEOUT=", std::to_string(settings.Timeout));
  line("PROXY=", settings.Proxy);
  line("PROXYTYPE=", std::to_string(settings.ProxyType));
  line("ASPECT=", flag(settings.Aspect));
  line("FLASHBACK=", std::to_string(settings.Flashback));
  line("RESETSIZE=", flag(settings.ResetSize));
  line("RESETCLIENT=", std::to_string(settings.ResetClient));
  line("AUDIOOUTPUT=", flag(settings.AudioOutput));
  line("AUDIOBUFFER=", std::to_string(settings.AudioBuffer));
  line("CPUUSAGE=", std::to_string(settings.CpuUsage));
  for (int i = 0; i < 4; ++i) line("USER" + std::to_string(i + 1) + "=", settings.User[i]);
  AppendRemembered(settings.Remembered, text);
  return text;
}

void WriteSettings(const std::string& file, const TSettings& settings) {
  // Published first: the change holds for this run even when the file cannot be written.
  if (&settings == &Settings()) PublishNetSettings(settings);
  WriteFileAtomically(file, FormatSettings(settings));
  SettingsChanged = false;
}

}  // namespace vexilon
