#pragma once
#include <chrono>
#include <functional>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;

namespace vexilon::camsim {

class TPeer;

// camsim --https: TLS in front of every connection, with a self-signed certificate made at
// start. The service itself runs unchanged on the far end of a socket pair.
class TTlsFront {
 public:
  // A client that has not finished its handshake by then is dropped.
  static constexpr std::chrono::seconds kHandshakeTimeout{10};

  TTlsFront();
  ~TTlsFront();
  TTlsFront(const TTlsFront&) = delete;
  TTlsFront& operator=(const TTlsFront&) = delete;

  // False with the reason when no certificate could be made.
  bool Ready(std::string& error) const;
  // The certificate's SHA-256 fingerprint, "AB:CD:…".
  const std::string& Fingerprint() const { return FFingerprint; }
  // Handshakes with peer, then passes bytes between it and serve's own peer until both end.
  void Serve(TPeer& peer, const std::function<void(TPeer&)>& serve) const;

 private:
  SSL_CTX* FContext = nullptr;
  std::string FFingerprint;
  std::string FError;
};

}  // namespace vexilon::camsim
