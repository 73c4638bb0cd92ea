#include "TlsFront.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "Peer.h"
#include "core/net/TlsSession.h"

namespace vexilon::camsim {
namespace {

using TClock = std::chrono::steady_clock;
constexpr int kSliceMs = 50;  // waits look at the server's stop this often
constexpr int kBlock = 16384;

std::string LibraryError() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
  return reason != nullptr ? reason : "unknown error";
}

void AddExtension(X509* certificate, int id, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
  if (X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, id, value)) {
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
  }
}

// A P-256 key and a certificate for 127.0.0.1 and localhost, signed by itself, valid a year.
X509* MakeCertificate(EVP_PKEY*& key) {
  key = EVP_EC_gen("P-256");
  X509* certificate = X509_new();
  if (key == nullptr || certificate == nullptr) return certificate;
  X509_set_version(certificate, 2);
  unsigned char serial[8];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7F;  // a positive serial number
  BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate));
  BN_free(number);
  X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
  X509_gmtime_adj(X509_getm_notAfter(certificate), 365L * 24 * 3600);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("camsim"), -1, -1, 0);
  X509_set_issuer_name(certificate, name);
  X509_set_pubkey(certificate, key);
  AddExtension(certificate, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  if (X509_sign(certificate, key, EVP_sha256()) == 0) {
    X509_free(certificate);
    return nullptr;
  }
  return certificate;
}

// Waits for fd as the library asked; false once the server stops or deadline passes.
bool WaitFor(int fd, int sslError, TPeer& peer, TClock::time_point deadline) {
  pollfd p{fd, short(sslError == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0};
  ::poll(&p, 1, kSliceMs);
  return !peer.Stop().Stopped() && TClock::now() < deadline;
}

// Writes all of bytes through ssl; false when the client is gone or the server stops.
bool WriteAll(SSL* ssl, const char* bytes, int size, TPeer& peer) {
  const auto deadline = TClock::now() + TPeer::kSendTimeout;
  while (size > 0) {
    const int written = SSL_write(ssl, bytes, size);
    if (written > 0) {
      bytes += written;
      size -= written;
      continue;
    }
    const int error = SSL_get_error(ssl, written);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) return false;
    if (!WaitFor(peer.Fd(), error, peer, deadline)) return false;
  }
  return true;
}

bool WriteAll(int fd, const char* bytes, int size) {
  while (size > 0) {
    const ssize_t written = ::send(fd, bytes, size_t(size), MSG_NOSIGNAL);
    if (written <= 0) return false;
    bytes += written;
    size -= int(written);
  }
  return true;
}

// Passes bytes between the TLS client and the service's end until the service has ended.
void Relay(SSL* ssl, TPeer& peer, int service) {
  bool clientOpen = true;
  char block[kBlock];
  while (!peer.Stop().Stopped()) {
    const bool decrypted = clientOpen && SSL_pending(ssl) > 0;
    pollfd p[2] = {{clientOpen ? peer.Fd() : -1, POLLIN, 0}, {service, POLLIN, 0}};
    if (::poll(p, 2, decrypted ? 0 : kSliceMs) <= 0 && !decrypted) continue;
    if (decrypted || (p[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      const int read = SSL_read(ssl, block, kBlock);
      if (read > 0) {
        if (!WriteAll(service, block, read)) break;
      } else if (const int error = SSL_get_error(ssl, read);
                 error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
        clientOpen = false;
        ::shutdown(service, SHUT_WR);
      }
    }
    if ((p[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      const ssize_t read = ::recv(service, block, sizeof block, 0);
      if (read <= 0) break;
      if (!WriteAll(ssl, block, int(read), peer)) return;
    }
  }
  SSL_shutdown(ssl);
}

}  // namespace

TTlsFront::TTlsFront(const std::string& certFile) {
  FContext = SSL_CTX_new(TLS_server_method());
  if (FContext != nullptr && !certFile.empty()) {
    if (SSL_CTX_use_certificate_chain_file(FContext, certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(FContext, certFile.c_str(), SSL_FILETYPE_PEM) != 1) {
      FError = "no certificate in " + certFile + ": " + LibraryError();
      return;
    }
    TakeFingerprint(SSL_CTX_get0_certificate(FContext));
    return;
  }
  EVP_PKEY* key = nullptr;
  X509* certificate = MakeCertificate(key);
  if (certificate == nullptr || key == nullptr || FContext == nullptr ||
      SSL_CTX_use_certificate(FContext, certificate) != 1 ||
      SSL_CTX_use_PrivateKey(FContext, key) != 1) {
    FError = "no certificate: " + LibraryError();
  } else {
    TakeFingerprint(certificate);
  }
  X509_free(certificate);
  EVP_PKEY_free(key);
}

void TTlsFront::TakeFingerprint(X509* certificate) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  X509_digest(certificate, EVP_sha256(), digest, &size);
  FFingerprint = FingerprintText(digest, size);
}

TTlsFront::~TTlsFront() {
  SSL_CTX_free(FContext);
}

bool TTlsFront::Ready(std::string& error) const {
  error = FError;
  return FError.empty();
}

void TTlsFront::Serve(TPeer& peer, const std::function<void(TPeer&)>& serve) const {
  SSL* ssl = SSL_new(FContext);
  if (ssl == nullptr) return;
  const int flags = fcntl(peer.Fd(), F_GETFL, 0);
  fcntl(peer.Fd(), F_SETFL, flags | O_NONBLOCK);
  SSL_set_fd(ssl, peer.Fd());
  const auto deadline = TClock::now() + kHandshakeTimeout;
  for (;;) {
    const int result = SSL_accept(ssl);
    if (result == 1) break;
    const int error = SSL_get_error(ssl, result);
    if ((error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) ||
        !WaitFor(peer.Fd(), error, peer, deadline)) {
      SSL_free(ssl);
      return;
    }
  }
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    SSL_free(ssl);
    return;
  }
  std::thread service([&serve, &peer, fd = pair[1]] {
    TPeer inner(fd, peer.Stop());
    serve(inner);
  });
  Relay(ssl, peer, pair[0]);
  ::shutdown(pair[0], SHUT_RDWR);
  service.join();
  ::close(pair[0]);
  SSL_free(ssl);
}

}  // namespace vexilon::camsim
