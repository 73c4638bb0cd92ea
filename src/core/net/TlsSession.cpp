#include "core/net/TlsSession.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace vexilon {
namespace {

using TClock = std::chrono::steady_clock;

// Waits on the socket are cut into slices so that a shut-down socket is noticed at once.
constexpr int kWaitSliceMs = 50;
// Decrypted bytes taken from the library in one go: one TLS record at most.
constexpr int kPlainBlock = 16384;

// The socket under TLS, as OpenSSL's own socket BIO but sending with MSG_NOSIGNAL: a peer
// that closes during a write must not raise SIGPIPE in the viewer.
int BioHandle(BIO* bio) {
  return int(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
}

int BioWrite(BIO* bio, const char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t sent = send(BioHandle(bio), data, size_t(size), MSG_NOSIGNAL);
  if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    BIO_set_retry_write(bio);
  }
  return int(sent);
}

int BioRead(BIO* bio, char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t received = recv(BioHandle(bio), data, size_t(size), 0);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    BIO_set_retry_read(bio);
  } else if (received == 0) {
    BIO_set_flags(bio, BIO_FLAGS_IN_EOF);
  }
  return int(received);
}

long BioControl(BIO* bio, int command, long, void*) {
  if (command == BIO_CTRL_FLUSH) return 1;
  if (command == BIO_CTRL_EOF) return BIO_test_flags(bio, BIO_FLAGS_IN_EOF) != 0;
  return 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

BIO* SocketBio(int handle) {
  static BIO_METHOD* const method = [] {
    BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "vexilon socket");
    if (made == nullptr) return made;
    BIO_meth_set_write(made, BioWrite);
    BIO_meth_set_read(made, BioRead);
    BIO_meth_set_ctrl(made, BioControl);
    BIO_meth_set_create(made, BioCreate);
    return made;
  }();
  BIO* bio = method != nullptr ? BIO_new(method) : nullptr;
  if (bio != nullptr) BIO_set_data(bio, reinterpret_cast<void*>(intptr_t(handle)));
  return bio;
}

// One context for every connection: the system's trust store is read once.
SSL_CTX* SharedContext() {
  static SSL_CTX* const context = [] {
    SSL_CTX* made = SSL_CTX_new(TLS_client_method());
    if (made == nullptr) return made;
    SSL_CTX_set_default_verify_paths(made);
    // The verdict is taken after the handshake, where a pin may still accept the certificate.
    SSL_CTX_set_verify(made, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_mode(made, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return made;
  }();
  return context;
}

std::string LibraryError() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return {};
  const char* reason = ERR_reason_error_string(code);
  return reason != nullptr ? reason : "error " + std::to_string(code);
}

std::string Seconds(std::chrono::milliseconds time) {
  return std::to_string((time.count() + 999) / 1000) + " s";
}

// Waits for the socket in the direction the library asked for, or the wake handle.
// Answers false when woken by the wake handle.
bool WaitSocket(int handle, int error, int wakeHandle, int milliseconds) {
  pollfd waiting[2] = {{handle, short(error == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN), 0},
                       {wakeHandle, POLLIN, 0}};
  if (poll(waiting, wakeHandle >= 0 ? 2 : 1, milliseconds) <= 0) return true;
  if (wakeHandle >= 0 && (waiting[1].revents & POLLIN) != 0) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t drained = read(wakeHandle, &count, sizeof count);
    return false;
  }
  return true;
}

std::string LeafFingerprint(SSL* ssl) {
  X509* certificate = SSL_get1_peer_certificate(ssl);
  if (certificate == nullptr) return {};
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  const bool made = X509_digest(certificate, EVP_sha256(), digest, &size) == 1;
  X509_free(certificate);
  return made ? FingerprintText(digest, size) : std::string();
}

// Which name or address the certificate must be for; SNI carries names only.
void SetPeerName(SSL* ssl, const std::string& host) {
  std::string literal = host;
  if (literal.size() > 2 && literal.front() == '[' && literal.back() == ']') {
    literal = literal.substr(1, literal.size() - 2);
  }
  TSocketAddress numeric;
  if (ParseNumericAddress(literal, 0, numeric)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), literal.c_str());
    return;
  }
  SSL_set_tlsext_host_name(ssl, literal.c_str());
  SSL_set1_host(ssl, literal.c_str());
}

// Why a certificate is refused, or empty when it is accepted.
std::string Refusal(SSL* ssl, const std::string& fingerprint, const std::string& pin) {
  const long verdict = SSL_get_verify_result(ssl);
  if (verdict == X509_V_OK) return {};
  if (!pin.empty() && SameFingerprint(pin, fingerprint)) return {};
  if (pin.empty()) {
    // The library's words for why: self-signed, expired, for another host, no known issuer.
    return std::string("The camera's certificate is not trusted (") +
           X509_verify_cert_error_string(verdict) + "; SHA-256 " + fingerprint +
           "): trust it in the entry";
  }
  return "The camera's certificate has changed (now SHA-256 " + fingerprint +
         "); it was trusted as " + pin + ": trust the new one in the entry";
}

}  // namespace

std::string FingerprintText(const unsigned char* digest, size_t size) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    if (i > 0) text += ':';
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 15];
  }
  return text;
}

bool IsFingerprint(std::string_view text) {
  size_t digits = 0;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c))) {
      ++digits;
    } else if (c != ':' && c != ' ') {
      return false;
    }
  }
  return digits == 64;
}

bool SameFingerprint(std::string_view a, std::string_view b) {
  const auto digits = [](std::string_view text) {
    std::string kept;
    for (char c : text) {
      if (std::isxdigit(static_cast<unsigned char>(c))) {
        kept += char(std::toupper(static_cast<unsigned char>(c)));
      } else if (c != ':' && c != ' ') {
        return std::string("?");  // never equal to a real fingerprint
      }
    }
    return kept;
  };
  const std::string left = digits(a);
  return !left.empty() && left != "?" && left == digits(b);
}

TTlsSession::~TTlsSession() {
  SSL_free(FSsl);
}

std::unique_ptr<TTlsSession> TTlsSession::Connect(int handle, const TTlsOptions& options,
                                                  const std::atomic<bool>& shutDown) {
  SSL_CTX* context = SharedContext();
  SSL* ssl = context != nullptr ? SSL_new(context) : nullptr;
  if (ssl == nullptr) throw ETlsError("TLS could not be set up: " + LibraryError());
  std::unique_ptr<TTlsSession> session(new TTlsSession(ssl, handle));
  const int flags = fcntl(handle, F_GETFL, 0);
  if (flags >= 0) fcntl(handle, F_SETFL, flags | O_NONBLOCK);
  BIO* bio = SocketBio(handle);
  if (bio == nullptr) throw ETlsError("TLS could not be set up: " + LibraryError());
  SSL_set_bio(ssl, bio, bio);
  SetPeerName(ssl, options.Host);
  ERR_clear_error();
  const auto deadline = TClock::now() + options.Timeout;
  for (;;) {
    const int result = SSL_connect(ssl);
    if (result == 1) break;
    const int error = SSL_get_error(ssl, result);
    if (shutDown) throw ETlsError("The TLS handshake was stopped");
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
      const unsigned long code = ERR_peek_last_error();
      const std::string reason = LibraryError();
      if (code == 0 || ERR_GET_REASON(code) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        throw ETlsError("The camera closed the connection during the TLS handshake");
      }
      throw ETlsError("The camera's TLS handshake failed: " + reason);
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now());
    if (left.count() <= 0) {
      throw ETlsError("The camera did not finish the TLS handshake within " +
                      Seconds(options.Timeout));
    }
    const int slice = int(std::min<int64_t>(left.count(), kWaitSliceMs));
    if (!WaitSocket(handle, error, options.WakeHandle, slice) && options.Abandon &&
        options.Abandon()) {
      throw ETlsError("The TLS handshake was stopped");
    }
    if (options.BetweenWaits && options.BetweenWaits()) {
      throw ETlsError("The TLS handshake was stopped");
    }
  }
  session->FFingerprint = LeafFingerprint(ssl);
  if (session->FFingerprint.empty()) throw ETlsError("The camera sent no certificate");
  const std::string refusal = Refusal(ssl, session->FFingerprint, options.Pin);
  if (!refusal.empty()) {
    throw ETlsError(refusal, session->FFingerprint, true,
                    X509_verify_cert_error_string(SSL_get_verify_result(ssl)));
  }
  return session;
}

bool TTlsSession::Buffered() const {
  return FTaken < FPlain.size() || SSL_pending(FSsl) > 0;
}

int TTlsSession::Fill() {
  if (FTaken < FPlain.size()) return int(FPlain.size() - FTaken);
  if (FEnded) return 0;
  FPlain.resize(kPlainBlock);
  FTaken = 0;
  ERR_clear_error();
  const int result = SSL_read(FSsl, FPlain.data(), kPlainBlock);
  if (result > 0) {
    FPlain.resize(size_t(result));
    return result;
  }
  FPlain.clear();
  const int error = SSL_get_error(FSsl, result);
  if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return -1;
  if (error == SSL_ERROR_ZERO_RETURN) {
    FEnded = true;
    return 0;
  }
  const unsigned long code = ERR_peek_last_error();
  const std::string reason = LibraryError();
  // A close without TLS's own goodbye is how most servers end a stream: it ends it too.
  if (code == 0 || ERR_GET_REASON(code) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
    FEnded = true;
    return 0;
  }
  throw EXSSocketError(SocketErrorText(reason, EPROTO, "SSL_read"), EPROTO);
}

int TTlsSession::Receive(void* buffer, int count) {
  const int waiting = Fill();
  if (count == -1 || waiting <= 0) return waiting;
  const int taken = std::min(waiting, count);
  std::memcpy(buffer, FPlain.data() + FTaken, size_t(taken));
  FTaken += size_t(taken);
  return taken;
}

int TTlsSession::Send(const void* buffer, int count, const std::atomic<bool>& shutDown) {
  if (count <= 0) return 0;
  for (;;) {
    ERR_clear_error();
    const int result = SSL_write(FSsl, buffer, count);
    if (result > 0) return result;
    const int error = SSL_get_error(FSsl, result);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
      const std::string reason = LibraryError();
      throw EXSSocketError(
          SocketErrorText(reason.empty() ? "connection lost" : reason, EPIPE, "SSL_write"), EPIPE);
    }
    if (shutDown) return -1;
    WaitSocket(FHandle, error, -1, kWaitSliceMs);
  }
}

}  // namespace vexilon
