#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/audio/WaveFormat.h"

namespace vexilon {

// Where a stream parser delivers what it finds. The camera window implements it by queueing
// onto the user-interface thread; tests and vexilonctl record the calls. Every call comes
// from the connection's own thread.
class TStreamSink {
 public:
  virtual ~TStreamSink() = default;
  // One picture (or page) of 128 bytes or more; the sink owns the bytes from now on.
  virtual void Frame(std::string bytes) = 0;
  // Replaces the header text without notification.
  virtual void SetPageText(const std::string& text) = 0;
  // Appends CR LF and line to the header text.
  virtual void AddPageLine(const std::string& line) = 0;
  // Replaces the header text and has it shown.
  virtual void ShowPageText(const std::string& text) = 0;
  // The format of the sound that follows; delivered before its first block, and the caller
  // waits until the sink has taken it.
  virtual void WaveFormat(const TWaveFormat& format) = 0;
  // A block of decoded sound, valid for the duration of the call.
  virtual void PlayAudio(const uint8_t* data, size_t size) = 0;

  // Connection indicators of a connection thread: an open has begun, the connection is open
  // (the request goes out next), the connection has closed.
  virtual void Connecting() {}
  virtual void Connected() {}
  virtual void Disconnected() {}
  // What the connection is doing or why it has no picture, in words for the window ("" once
  // pictures come), and when it will try again (the epoch when no try is due).
  virtual void State(const std::string& reason, std::chrono::steady_clock::time_point nextTry) {
    (void)reason;
    (void)nextTry;
  }
  // An https:// camera showed a certificate that nothing trusts, with this SHA-256
  // fingerprint ("AB:CD:…"): the window may offer to trust it in the entry.
  virtual void UntrustedCertificate(const std::string& fingerprint, const std::string& why) {
    (void)fingerprint;
    (void)why;
  }
  // A TLS connection was made with the certificate of this fingerprint.
  virtual void CertificateSeen(const std::string& fingerprint) { (void)fingerprint; }
};

}  // namespace vexilon
