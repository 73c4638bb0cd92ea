#pragma once
#include <chrono>
#include <functional>
#include <string>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct x509_st X509;

namespace vexilon::camsim {

class TPeer;

// camsim --https: TLS in front of every connection, with a self-signed certificate made at
// start or one from a file. The service itself runs unchanged on the far end of a socket pair.
class TTlsFront {
 public:
  // A client that has not finished its handshake by then is dropped.
  static constexpr std::chrono::seconds kHandshakeTimeout{10};

  // certFile: a PEM file with the certificate, its chain and its key; empty: one made now.
  explicit TTlsFront(const std::string& certFile = {});
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
  void TakeFingerprint(X509* certificate);

  SSL_CTX* FContext = nullptr;
  std::string FFingerprint;
  std::string FError;
};

}  // namespace vexilon::camsim
