#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/net/StreamSink.h"

namespace vexilon {

// A stream sink for connection-thread tests: keeps what the thread delivers, under a lock,
// and lets the test wait for it.
class TWaitingSink : public TStreamSink {
 private:
  template <class F>
  void Change(F change) {
    std::lock_guard lock(FLock);
    change();
    ++FCalls;
    FChanged.notify_all();
  }
  template <class F>
  auto Locked(F read) const {
    std::lock_guard lock(FLock);
    return read();
  }

 public:
  void Frame(std::string bytes) override {
    Change([&] { FFrames.push_back(std::move(bytes)); });
  }
  void SetPageText(const std::string& text) override {
    Change([&] { FPageText = text; });
  }
  void AddPageLine(const std::string& line) override {
    Change([&] {
      FPageText += "\r\n" + line;
      FLines.push_back(line);
    });
  }
  void ShowPageText(const std::string& text) override {
    Change([&] {
      FPageText = text;
      FShown.push_back(text);
    });
  }
  void WaveFormat(const TWaveFormat& format) override {
    Change([&] { FFormats.push_back(format); });
  }
  void PlayAudio(const uint8_t*, size_t size) override {
    Change([&] { FAudioBytes += size; });
  }
  void Connecting() override {
    Change([&] { FIndicators += 'c'; });
  }
  void Connected() override {
    Change([&] { FIndicators += 'C'; });
  }
  void Disconnected() override {
    Change([&] { FIndicators += 'D'; });
  }

  // Waits until ready() holds (checked under the lock); false at timeout.
  bool WaitUntil(const std::function<bool()>& ready,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, timeout, ready);
  }
  bool WaitFrames(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return WaitUntil([&] { return FFrames.size() >= count; }, timeout);
  }

  // Copies, for checking.
  std::vector<std::string> Frames() const {
    return Locked([&] { return FFrames; });
  }
  std::string PageText() const {
    return Locked([&] { return FPageText; });
  }
  std::vector<std::string> Lines() const {
    return Locked([&] { return FLines; });
  }
  std::vector<std::string> Shown() const {
    return Locked([&] { return FShown; });
  }
  std::vector<TWaveFormat> Formats() const {
    return Locked([&] { return FFormats; });
  }
  size_t AudioBytes() const {
    return Locked([&] { return FAudioBytes; });
  }
  std::string Indicators() const {
    return Locked([&] { return FIndicators; });
  }
  size_t Calls() const {
    return Locked([&] { return FCalls; });
  }

  // Unlocked access for WaitUntil predicates.
  const std::vector<std::string>& FramesLocked() const { return FFrames; }
  const std::string& PageTextLocked() const { return FPageText; }
  const std::vector<std::string>& ShownLocked() const { return FShown; }
  const std::vector<std::string>& LinesLocked() const { return FLines; }
  size_t AudioBytesLocked() const { return FAudioBytes; }
  const std::string& IndicatorsLocked() const { return FIndicators; }

 private:
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::vector<std::string> FFrames;
  std::string FPageText;
  std::vector<std::string> FLines;
  std::vector<std::string> FShown;
  std::vector<TWaveFormat> FFormats;
  size_t FAudioBytes = 0;
  std::string FIndicators;
  size_t FCalls = 0;
};

}  // namespace vexilon
