#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "support/RecordingSink.h"

namespace vexilon {

// A stream sink for connection-thread tests: records what the thread delivers under a lock
// and lets the test wait for it.
class TWaitingSink : public TStreamSink {
 public:
  void Frame(std::string bytes) override { Change(&TRecordingSink::Frame, std::move(bytes)); }
  void SetPageText(const std::string& text) override { Change(&TRecordingSink::SetPageText, text); }
  void AddPageLine(const std::string& line) override { Change(&TRecordingSink::AddPageLine, line); }
  void ShowPageText(const std::string& text) override {
    Change(&TRecordingSink::ShowPageText, text);
  }
  void WaveFormat(const TWaveFormat& format) override {
    Change(&TRecordingSink::WaveFormat, format);
  }
  void PlayAudio(const uint8_t* data, size_t size) override {
    Change(&TRecordingSink::PlayAudio, data, size);
  }
  void Connecting() override { Change(&TRecordingSink::Connecting); }
  void Connected() override { Change(&TRecordingSink::Connected); }
  void Disconnected() override { Change(&TRecordingSink::Disconnected); }
  void State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) override {
    Change(&TRecordingSink::State, reason, nextTry);
  }

  // Waits until ready holds for what came so far; false at timeout.
  bool WaitUntil(const std::function<bool(const TRecordingSink&)>& ready,
                 std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, timeout, [&] { return ready(FSeen); });
  }
  bool WaitFrames(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    return WaitUntil([count](const TRecordingSink& s) { return s.Frames.size() >= count; },
                     timeout);
  }
  // A copy of what came so far, and how many calls brought it.
  TRecordingSink Seen() const {
    std::lock_guard lock(FLock);
    return FSeen;
  }
  size_t Calls() const {
    std::lock_guard lock(FLock);
    return FCalls;
  }

 private:
  template <class TMethod, class... TArgs>
  void Change(TMethod method, TArgs&&... args) {
    std::lock_guard lock(FLock);
    (FSeen.*method)(std::forward<TArgs>(args)...);
    ++FCalls;
    FChanged.notify_all();
  }

  mutable std::mutex FLock;
  std::condition_variable FChanged;
  TRecordingSink FSeen;
  size_t FCalls = 0;
};

}  // namespace vexilon
