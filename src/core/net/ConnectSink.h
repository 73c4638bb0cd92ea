#pragma once
#include <atomic>
#include <memory>

#include "core/net/StreamSink.h"

namespace vexilon {

// The sink a connection thread talks to: forwards to the window's sink until the thread is
// told to stop, then swallows every call. The target is shared, so a thread left behind by
// Stop still holds a live object even if it calls once more while being detached.
class TConnectSink : public TStreamSink {
 public:
  explicit TConnectSink(std::shared_ptr<TStreamSink> target) : FTarget(std::move(target)) {}

  void Detach() { FDetached = true; }

  void Frame(std::string bytes) override {
    FFrames.fetch_add(1, std::memory_order_relaxed);
    if (Live()) FTarget->Frame(std::move(bytes));
  }
  // Frames the parser has produced so far, for telling a working camera from a failing one.
  uint64_t FramesSeen() const { return FFrames.load(std::memory_order_relaxed); }
  void SetPageText(const std::string& text) override {
    if (Live()) FTarget->SetPageText(text);
  }
  void AddPageLine(const std::string& line) override {
    if (Live()) FTarget->AddPageLine(line);
  }
  void ShowPageText(const std::string& text) override {
    if (Live()) FTarget->ShowPageText(text);
  }
  void WaveFormat(const TWaveFormat& format) override {
    if (Live()) FTarget->WaveFormat(format);
  }
  void PlayAudio(const uint8_t* data, size_t size) override {
    if (Live()) FTarget->PlayAudio(data, size);
  }
  void Connecting() override {
    if (Live()) FTarget->Connecting();
  }
  void Connected() override {
    if (Live()) FTarget->Connected();
  }
  void Disconnected() override {
    if (Live()) FTarget->Disconnected();
  }
  void State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) override {
    if (Live()) FTarget->State(reason, nextTry);
  }
  void UntrustedCertificate(const std::string& fingerprint, const std::string& why) override {
    if (Live()) FTarget->UntrustedCertificate(fingerprint, why);
  }
  void CertificateSeen(const std::string& fingerprint) override {
    if (Live()) FTarget->CertificateSeen(fingerprint);
  }

 private:
  bool Live() const { return FTarget && !FDetached.load(std::memory_order_acquire); }

  std::shared_ptr<TStreamSink> FTarget;
  std::atomic<bool> FDetached{false};
  std::atomic<uint64_t> FFrames{0};
};

}  // namespace vexilon
