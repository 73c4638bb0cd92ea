#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/net/ClientSocket.h"

typedef struct ssl_st SSL;

namespace vexilon {

// What a client handshake needs beyond the connected socket.
struct TTlsOptions {
  std::string Host;  // the camera's host: the name sent (SNI) and checked in its certificate
  std::string Pin;   // a trusted leaf certificate's SHA-256 fingerprint; may be empty
  std::chrono::milliseconds Timeout{15000};  // the whole handshake
  int WakeHandle = -1;                       // an eventfd that ends waits early
  std::function<bool()> Abandon;             // asked when WakeHandle wakes; true gives up
  // Run between two waits of at most 50 ms (a caller's event loop); true gives up.
  std::function<bool()> BetweenWaits;
};

// A handshake or certificate failure. Fingerprint is the leaf certificate's, when one came;
// Untrusted says the certificate itself was refused (a pin would let it through).
class ETlsError : public EXSSocketError {
 public:
  ETlsError(const std::string& text, std::string fingerprint = {}, bool untrusted = false,
            std::string why = {})
      : EXSSocketError(text),
        Fingerprint(std::move(fingerprint)),
        Untrusted(untrusted),
        Why(std::move(why)) {}
  std::string Fingerprint;
  bool Untrusted;
  std::string Why;  // an untrusted certificate's fault in the library's words ("self-signed …")
};

// "AB:CD:…": upper-case hex pairs joined by colons, as `openssl x509 -fingerprint` writes them.
std::string FingerprintText(const unsigned char* digest, size_t size);
// A SHA-256 fingerprint as a user may type it: 64 hex digits, any colons or spaces between.
bool IsFingerprint(std::string_view text);
// The same fingerprint however it was typed: case, colons and spaces do not matter.
bool SameFingerprint(std::string_view a, std::string_view b);

// TLS over a connected socket, which it makes non-blocking. Reads and writes never block:
// the caller waits on the socket (or Buffered) between them.
class TTlsSession {
 public:
  ~TTlsSession();
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;

  // Handshakes within options.Timeout and checks the certificate; raises ETlsError with the
  // reason in words. shutDown ends it at once.
  static std::unique_ptr<TTlsSession> Connect(int handle, const TTlsOptions& options,
                                              const std::atomic<bool>& shutDown);

  const std::string& Fingerprint() const { return FFingerprint; }
  // Decrypted bytes waiting, without reading the socket.
  bool Buffered() const;
  // count -1: the decrypted bytes waiting after reading what the socket has. Otherwise up
  // to count of them. Both answer 0 once the peer has closed and -1 while a record is still
  // incomplete; a broken stream raises EXSSocketError.
  int Receive(void* buffer, int count);
  // Sends up to count bytes, waiting while the socket is full; -1 once shutDown is set.
  int Send(const void* buffer, int count, const std::atomic<bool>& shutDown);

 private:
  TTlsSession(SSL* ssl, int handle) : FSsl(ssl), FHandle(handle) {}
  // Reads one record's worth into FPlain: its size, 0 at the end, -1 when incomplete.
  int Fill();

  SSL* FSsl;
  int FHandle;
  std::string FFingerprint;
  std::vector<char> FPlain;  // decrypted, not yet taken
  size_t FTaken = 0;
  bool FEnded = false;
};

}  // namespace vexilon
